// vekclient: start-up, the main loop and the orderly end (see mainloop.h).
#include "mainloop.h"

int main(int argc, char **argv) { return VekClientMain(argc, argv); }
