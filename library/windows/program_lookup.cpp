#include "library/windows/program_lookup.h"

#include <shellapi.h>

#include <string>

namespace korvel::shell {

INT_PTR findExecutable(std::string_view file, const char* folder, LookupBuffer& program) {
    if (file.size() >= kShellPathSize || (folder && std::strlen(folder) >= kShellPathSize)) return SE_ERR_FNF;
    return INT_PTR(FindExecutableA(std::string(file).c_str(), folder, program.text));
}

}  // namespace korvel::shell
