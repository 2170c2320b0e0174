// krelan-demo: the show. Takes no arguments.
#include "demo.h"

#include <SDL.h>

int main(int, char**) { return run_demo(); }
