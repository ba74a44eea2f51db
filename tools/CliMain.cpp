#include <cstdio>
int main() { std::puts("picdex-cli"); return 0; }
