/* Linked against the installed libfgdip (no dlopen): loads the picture
 * named on the command line and prints its size; a missing file must fail. */
#include <fgdip.h>
#include <stdio.h>

int main(int argc, char** argv) {
    int32_t width = 0, height = 0;
    if (argc != 2) return 2;
    if (fGDIp_2hBMP("no such picture.jpg", 0, 0, 0) != 0) {
        puts("a missing file gave a bitmap");
        return 1;
    }
    const int32_t bitmap = fGDIp_2hBMP(argv[1], 0, 0, 0);
    if (bitmap == 0 || !fGDIp_size(bitmap, &width, &height)) {
        puts("the picture did not load");
        return 1;
    }
    printf("%dx%d\n", (int)width, (int)height);
    fGDIp_free(bitmap);
    return 0;
}
