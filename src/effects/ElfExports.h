// The exported symbols of a shared object, read from its ELF dynamic symbol table without loading it.
#pragma once

#include <string>
#include <vector>

namespace trov {

// Reads the names of the symbols that path defines and exports (global or weak binding, default
// or protected visibility, not undefined) from its dynamic symbol table. Nothing of the file is
// run: a library whose start-up code must not run in this process can be looked at safely.
// False, with cause saying why in a few words, for a file that this process could not load as a
// module anyway: not ELF, another word size or byte order or machine, not a shared object, no
// dynamic symbol table, or a table that runs past the end of the file.
bool ReadElfExports(const std::string& path, std::vector<std::string>& names, std::string& cause);

}  // namespace trov
