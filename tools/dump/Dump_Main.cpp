#include <cstdio>
int main() { std::fprintf(stderr, "tessera-dump: not built yet\n"); return 2; }
