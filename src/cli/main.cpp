// trov: the command-line front end.
#include "cli/TrovCommand.h"

int main(int argc, char** argv) {
    trov::SCommandLine cl = trov::SCommandLine::Parse(argc, argv);
    return trov::RunTrov(cl, "trov");
}
