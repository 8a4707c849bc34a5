#pragma once

// Flags a fuzz target gives libFuzzer for itself: libFuzzer reads its flags
// after the target's LLVMFuzzerInitialize, which may add to them.
#include <cstring>
#include <vector>

namespace mw::fuzz {

// Adds `flag` ("-name=value") to the command line unless the run already
// names that flag: what the person running it asked for stands.
inline void addFlagUnlessGiven(int* argc, char*** argv, const char* flag)
{
    const char* equals = std::strchr(flag, '=');
    const size_t nameLength = equals ? static_cast<size_t>(equals - flag) + 1 : std::strlen(flag);
    for (int i = 1; i < *argc; ++i)
        if (std::strncmp((*argv)[i], flag, nameLength) == 0) return;
    // Lives as long as the program: libFuzzer keeps pointers into it.
    static std::vector<char*>& arguments = *new std::vector<char*>;
    arguments.assign(*argv, *argv + *argc);
    arguments.push_back(const_cast<char*>(flag));
    arguments.push_back(nullptr);
    *argc = static_cast<int>(arguments.size()) - 1;
    *argv = arguments.data();
}

} // namespace mw::fuzz
