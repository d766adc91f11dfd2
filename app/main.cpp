#include "app/application.h"

int main(int argc, char **argv)
{
    return kerfloom::run(argc, argv);
}
