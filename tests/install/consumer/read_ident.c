/* A program of someone else's that uses the installed libraries: opens the
 * port named on the command line, reads the controller's identification
 * number and prints it as the program shows it (ten digits). */
#include <stdio.h>

#include <gardolink.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: read_ident PORT (e.g. COM7:)\n");
        return 2;
    }
    int32_t status = InitCommunication(argv[1], 4800);
    if (status != GARDO_OK) {
        fprintf(stderr, "read_ident: InitCommunication: %d\n", (int)status);
        return 1;
    }
    uint8_t id[4] = {0};
    status = Read_Program(1680, 4, id);
    CloseCommunication();
    if (status != GARDO_OK) {
        fprintf(stderr, "read_ident: Read_Program: %d\n", (int)status);
        return 1;
    }
    printf("%010u\n", (unsigned)(id[0] | id[1] << 8 | id[2] << 16 | (uint32_t)id[3] << 24));
    return 0;
}
