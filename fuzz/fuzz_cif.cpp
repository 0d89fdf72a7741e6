// Feeds arbitrary bytes to the CIF reader. Whatever the input, the reader returns
// a complete structure (which then expands and scatters as a load would) or
// throws lumora::Error.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzStructure.h"
#include "structure/CifReader.h"
#include "util/Error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        lumora::fuzz::checkStructure(lumora::structure::parseCif(text, "fuzz.cif"));
    } catch (const lumora::Error&) {
    }
    return 0;
}
