#include <cstdio>
int main() { std::puts("quorvalemixer"); return 0; }
