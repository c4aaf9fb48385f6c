// Process entry of the runner.
#include "Runner/Runner_Main.h"

int main(int argc, char** argv) { return Runner_Main(argc, argv); }
