/* A native library whose initialisation crashes as it is loaded (a write through a null pointer). */
#include <stddef.h>

__attribute__((constructor)) static void tcl_start(void) {
  volatile int* volatile nowhere = NULL;
  *nowhere = 1;
}

double tcl_never(void) { return 1; }
