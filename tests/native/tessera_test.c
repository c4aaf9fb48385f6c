/* A small native library that test games call through external_define and extension packages. */
#include <stdio.h>
#include <string.h>

static double g_counter = 0;
static char g_text[256];

double tt_add(double a, double b) { return a + b; }
double tt_zero(void) { return 42; }

/* Sixteen reals: sum of a_i * (i + 1), so that order mistakes show. */
double tt_weigh16(double a1, double a2, double a3, double a4, double a5, double a6, double a7, double a8,
                  double a9, double a10, double a11, double a12, double a13, double a14, double a15,
                  double a16) {
  return a1 * 1 + a2 * 2 + a3 * 3 + a4 * 4 + a5 * 5 + a6 * 6 + a7 * 7 + a8 * 8 + a9 * 9 + a10 * 10 +
         a11 * 11 + a12 * 12 + a13 * 13 + a14 * 14 + a15 * 15 + a16 * 16;
}

/* Eleven reals: the most a call in code can define (5 + 11 = 16 arguments). */
double tt_weigh11(double a1, double a2, double a3, double a4, double a5, double a6, double a7, double a8,
                  double a9, double a10, double a11) {
  return a1 * 1 + a2 * 2 + a3 * 3 + a4 * 4 + a5 * 5 + a6 * 6 + a7 * 7 + a8 * 8 + a9 * 9 + a10 * 10 +
         a11 * 11;
}

double tt_length(const char* s) { return (double)strlen(s); }

/* "<a>-<n>-<b>": strings and reals mixed. */
const char* tt_join(const char* a, double n, const char* b) {
  snprintf(g_text, sizeof g_text, "%s-%g-%s", a, n, b);
  return g_text;
}

const char* tt_null(void) { return NULL; }

double tt_counter_init(void) {
  g_counter = 100;
  printf("native: init\n");
  fflush(stdout);
  return 0;
}
double tt_counter_next(void) { return ++g_counter; }
double tt_counter_final(void) {
  printf("native: final at %g\n", g_counter);
  fflush(stdout);
  return 0;
}

/* Weighed sums of 4 to 8 reals for the fixed-count forms. */
double tt_weigh4(double a, double b, double c, double d) { return a + 2 * b + 3 * c + 4 * d; }
double tt_weigh5(double a, double b, double c, double d, double e) { return tt_weigh4(a, b, c, d) + 5 * e; }
double tt_weigh6(double a, double b, double c, double d, double e, double f) {
  return tt_weigh5(a, b, c, d, e) + 6 * f;
}
double tt_weigh7(double a, double b, double c, double d, double e, double f, double g) {
  return tt_weigh6(a, b, c, d, e, f) + 7 * g;
}
double tt_weigh8(double a, double b, double c, double d, double e, double f, double g, double h) {
  return tt_weigh7(a, b, c, d, e, f, g) + 8 * h;
}

/* Crashes: a write through a null pointer (an extension initialisation that fails badly). */
double tt_crash(void) {
  volatile int* volatile nowhere = NULL;
  *nowhere = 1;
  return 0;
}
