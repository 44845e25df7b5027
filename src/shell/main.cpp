#include <cstdio>

int main()
{
    std::fputs("Pelorin HTTP User-Agent: the main window is not there yet.\n", stdout);
    return 0;
}
