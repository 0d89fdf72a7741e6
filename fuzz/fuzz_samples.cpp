// Feeds arbitrary bytes to the sample-file reader and takes every entry it read.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "structure/Samples.h"
#include "util/Error.h"

using namespace lumora;
using namespace lumora::structure;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const SampleList list = readSampleFile(text);
        if (list.size() > kMaxSamples || list.data.size() != list.names.size()) __builtin_trap();
        for (std::size_t i = 0; i < list.size(); ++i) {
            const SampleCell cell = list.getSample(i);
            if (cell[0] != list.names[i]) __builtin_trap();
            if (list.menuCaption(i).empty()) __builtin_trap();
        }
    } catch (const Error&) {
    }
    return 0;
}
