#include <cstdio>

int main() {
    std::fprintf(stderr, "Instal: the installer window is not built yet.\n");
    return 1;
}
