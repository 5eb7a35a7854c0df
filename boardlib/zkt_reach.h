// Reaching the board access library before a program's first call. Where
// the program is linked against the library (Linux: libzkt.so), the
// system's loader has found it before the program starts. Where it is bound
// at run time (Windows: ZKT.DLL, whose calling convention and export names
// are the maker's), it is loaded as the system finds an imported library and
// each operation the program calls is looked up under each of its names;
// the operations keep their own names (ZKT_init, ...), which forward into
// the bound table.
#ifndef QUILMAR_BOARDLIB_ZKT_REACH_H
#define QUILMAR_BOARDLIB_ZKT_REACH_H

#include <cstdint>
#include <string>

// Makes the operations in needs (ZktOperationBit) ready to be called. When
// it cannot, writes one line on standard error, "<program>: cannot load
// ZKT.DLL (<reason>)" or "<program>: <path> has no ZKT_ctrl (tried
// ZKT_ctrl, _ZKT_ctrl@16, ZKT_ctrl@16)", and returns false: the program
// then calls nothing and exits with status 1.
bool ZktReachLibrary(const char *program, uint32_t needs);

// The form of the library reached, once ZKT_init has been called: its
// calling convention, as measured on that call, and the form of its export
// names, "stdcall, exported as _name@N". Empty where it cannot be measured
// (a linked library; one calling convention).
std::string ZktReachedForm();

#endif  // QUILMAR_BOARDLIB_ZKT_REACH_H
