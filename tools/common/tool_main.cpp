#include "common/tool_main.h"

#ifdef _WIN32
#    include "common/utf.h"

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(tarnwell::tools::wide_to_utf8(argv[i]));
    return tool_main(arguments);
}
#else
int main(int argc, char** argv)
{
    return tool_main(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
