# The newcomer's entry points: `make run` and `make test` install what is missing, build and
# run. Builds live in build/native, build/win32 and build/win64; the Wine prefix of the tests in
# build/wineprefix, the one of `make run` in build/wineprefix-run.
#
# Two commands started at once in one tree take turns: the second waits for the first (and
# says so) rather than building over it. A configuration that failed or was interrupted is
# made again by the next command.

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
KINDS := native win32 win64
# Debian's programs only, whatever a login profile puts first (a python of pyenv, a cmake in
# /usr/local): what the build and the tests run is then what a new machine has.
export PATH := /usr/sbin:/usr/bin:/sbin:/bin

.PHONY: all deps native win32 win64 test run dist bench clean

ifndef TOLVARE_LOCKED

# Every entry point takes the tree's lock and runs again inside it.
all deps native win32 win64 test dist bench:
	@tools/locked.sh $(BUILD) $(MAKE) --no-print-directory TOLVARE_LOCKED=1 $@

# PLENAR runs outside the lock (it lives as long as the user wants it) and in a prefix of its
# own, so that a test run started meanwhile neither waits for it nor ends it.
run:
	@tools/locked.sh $(BUILD) $(MAKE) --no-print-directory TOLVARE_LOCKED=1 win32 win64
	@tools/run-plenar.sh $(BUILD)

clean:
	@tools/locked.sh $(BUILD) rm -rf $(BUILD) dist

else

all: native win32 win64

deps:
	@tools/deps.sh

# A build folder emptied by hand since is configured again.
$(foreach kind,$(KINDS),$(if $(wildcard $(BUILD)/$(kind)/CMakeCache.txt),,$(shell rm -f $(BUILD)/$(kind)/.configured)))

toolchain_native :=
toolchain_win32 := -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
toolchain_win64 := -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake

# The stamp is written only once a configuration has finished. A failed one is tried again on
# the next command, from nothing if the old cache itself is what fails (a cache written for
# another source folder, or by an interrupted run).
$(BUILD)/%/.configured: | deps
	@rm -f $@
	@echo "Configuring $(BUILD)/$*"
	@cmake -S . -B $(BUILD)/$* $(CMAKE_FLAGS) $(toolchain_$*) || \
	  { echo "Configuring $(BUILD)/$* again from nothing."; rm -rf $(BUILD)/$*/CMakeCache.txt $(BUILD)/$*/CMakeFiles; \
	    cmake -S . -B $(BUILD)/$* $(CMAKE_FLAGS) $(toolchain_$*); }
	@touch $@

$(KINDS): %: deps $(BUILD)/%/.configured
	cmake --build $(BUILD)/$* -j $(JOBS)

# Every suite in one ctest run: the native build's test list takes in the two cross builds'.
test: native win32 win64
	tools/run-tests.sh $(BUILD)

dist: win32 win64
	tools/make-dist.sh $(BUILD)

# The benchmarks are built here only: the tests never need them.
bench: native win32 win64
	$(foreach kind,$(KINDS),cmake --build $(BUILD)/$(kind) -j $(JOBS) --target benchmarks &&) true
	tools/run-bench.sh $(BUILD)

endif
