/* Expands SZDD files with libmspack, the peer decoder the tests compare with.
 *   szdd_mspack_expand IN OUT [IN OUT]...
 * Prints "IN: error N" for each file libmspack refuses; exit status 1 if any was. */
#include <mspack.h>
#include <stdio.h>

int main(int argc, char** argv) {
    int failed = 0;
    int err = 0;
    struct msszdd_decompressor* d;
    if (argc < 3 || argc % 2 == 0) {
        fprintf(stderr, "usage: szdd_mspack_expand IN OUT [IN OUT]...\n");
        return 2;
    }
    MSPACK_SYS_SELFTEST(err);
    d = mspack_create_szdd_decompressor(NULL);
    if (err != 0 || d == NULL) {
        fprintf(stderr, "szdd_mspack_expand: libmspack is unusable\n");
        return 2;
    }
    for (int i = 1; i + 1 < argc; i += 2) {
        int r = d->decompress(d, argv[i], argv[i + 1]);
        if (r != MSPACK_ERR_OK) {
            printf("%s: error %d\n", argv[i], r);
            failed = 1;
        }
    }
    mspack_destroy_szdd_decompressor(d);
    return failed;
}
