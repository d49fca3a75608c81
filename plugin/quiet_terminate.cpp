// An exception that escapes the plug-in ends the host process, as it would
// anyway. The runtime's own handler first demangles the exception's type and
// prints it to the standard error stream, which a windowed host does not
// have; it would bring the demangler and a printf engine into the module, a
// fifth of its size. Defined here, this one takes the place of the library's.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
