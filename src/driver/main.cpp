#include "driver/run.h"

int main(int argc, char** argv) { return kestrune::run_kestrune(argc, argv); }
