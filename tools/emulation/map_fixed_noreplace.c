/*
 * Preloaded into Wine's processes where 32-bit programs run through qemu's user-mode emulator
 * (tools/wine-env.sh builds it and names it). It makes MAP_FIXED_NOREPLACE mean what it means to
 * the kernel; nothing else changes. The 64-bit build is empty, so that the one preload names a
 * harmless file in 64-bit processes.
 *
 * At start-up Wine's 32-bit side reserves the parts of the address space that Windows programs
 * must not get, halving any range it cannot map down to 64 KB pieces. The kernel answers a
 * taken range at once with EEXIST; qemu 7.2 takes the flag as a hint, searches the guest space
 * page by page for another hole (milliseconds each time) and maps that. Wine keeps such holes
 * when they lie above 2 GB, so its first reservation fills the upper half piecemeal and its
 * second then fails there in every one of its 65,536 pieces: about a minute for each process
 * start. Here a mapping that did not land where it was asked is undone and the call fails with
 * EEXIST, as the kernel does: a start takes about a second.
 *
 * Freestanding: the build machine has no 32-bit C library headers.
 */
#if defined(__i386__)

typedef unsigned int size_t;
typedef long long off64_t;

extern void *dlsym(void *handle, const char *name);
extern int *__errno_location(void);
extern int munmap(void *address, size_t length);

#define RTLD_NEXT ((void *)-1l)
#define MAP_FAILED ((void *)-1)
#define MAP_FIXED_NOREPLACE 0x100000
#define EEXIST 17

typedef void *(*mmap64_function)(void *, size_t, int, int, int, off64_t);

__attribute__((visibility("default"))) void *mmap64(void *address, size_t length, int protection,
                                                    int flags, int file, off64_t offset)
{
    static mmap64_function next;
    if (!next) next = (mmap64_function)dlsym(RTLD_NEXT, "mmap64");
    void *mapped = next(address, length, protection, flags, file, offset);
    if ((flags & MAP_FIXED_NOREPLACE) && mapped != MAP_FAILED && mapped != address) {
        munmap(mapped, length);
        *__errno_location() = EEXIST;
        return MAP_FAILED;
    }
    return mapped;
}

__attribute__((visibility("default"))) void *mmap(void *address, size_t length, int protection,
                                                  int flags, int file, long offset)
{
    return mmap64(address, length, protection, flags, file, offset);
}

#endif
