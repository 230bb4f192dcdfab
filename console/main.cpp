#include "console.h"

int main(int argc, char** argv) { return RunVorbix(argc, argv); }
