# The newcomer's entry points: `make run` and `make test` install what is missing, build and
# run. Builds live in build/native, build/win32 and build/win64; the Wine prefix in
# build/wineprefix.

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps native win32 win64 test run dist bench clean

all: native win32 win64

deps:
	@tools/deps.sh

$(BUILD)/native/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD)/native $(CMAKE_FLAGS)

$(BUILD)/win32/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD)/win32 $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake

$(BUILD)/win64/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD)/win64 $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake

native: $(BUILD)/native/CMakeCache.txt
	cmake --build $(BUILD)/native -j $(JOBS)

win32: $(BUILD)/win32/CMakeCache.txt
	cmake --build $(BUILD)/win32 -j $(JOBS)

win64: $(BUILD)/win64/CMakeCache.txt
	cmake --build $(BUILD)/win64 -j $(JOBS)

# Every suite in one ctest run: the native build's test list takes in the two cross builds'.
test: native win32 win64
	tools/run-tests.sh $(BUILD)

run: win32 win64
	tools/run-plenar.sh $(BUILD)

dist: win32 win64
	tools/make-dist.sh $(BUILD)

bench: win32 win64
	tools/run-bench.sh $(BUILD)

clean:
	rm -rf $(BUILD) dist
