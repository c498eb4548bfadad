// Fuzz target: the free-format list reader behind every data, catalogue and population file.
// The first bytes choose a sequence of typed reads; the rest is the text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/errors.h"
#include "common/list_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t ops = size < 8 ? size : 8;
    std::string text(reinterpret_cast<const char*>(data) + ops, size - ops);
    velmora::ListReader r(std::move(text), "fuzz.txt");
    // Every read consumes at least one character or throws, so this ends.
    for (std::size_t step = 0; step < size + 8; ++step) {
        try {
            if (r.AtEnd()) break;
            switch (ops == 0 ? 0 : data[step % ops] % 6) {
                case 0:
                    r.ReadDouble();
                    break;
                case 1:
                    r.ReadFloat();
                    break;
                case 2:
                    r.ReadInt();
                    break;
                case 3:
                    r.ReadString();
                    break;
                case 4:
                    r.SkipLine();
                    break;
                default:
                    (void)r.Line();
                    r.ReadString();
                    break;
            }
        } catch (const velmora::FileError&) {
            // A bad field is an answer too; the reader stays usable afterwards.
        }
    }
    return 0;
}
