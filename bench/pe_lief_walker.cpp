// Walks the fields of the pe report with LIEF, one process over every file named: the
// peer that bench/pe-bench.sh compares against. Built by that script, not by CMake.
#include <LIEF/PE.hpp>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

int main(int argc, char** argv) {
    uint64_t sink = 0;
    int parsed = 0;
    for (int i = 1; i < argc; ++i) {
        try {
            std::unique_ptr<LIEF::PE::Binary> binary = LIEF::PE::Parser::parse(argv[i]);
            if (!binary)
                continue;
            const auto& dos = binary->dos_header();
            sink += dos.magic() + dos.addressof_new_exeheader();
            const auto& header = binary->header();
            sink += static_cast<uint64_t>(header.machine()) + header.numberof_sections() +
                    header.sizeof_optional_header() +
                    static_cast<uint64_t>(header.characteristics());
            const auto& optional = binary->optional_header();
            sink += static_cast<uint64_t>(optional.magic()) + optional.sizeof_code() +
                    optional.addressof_entrypoint() + optional.baseof_code() +
                    optional.imagebase() + optional.section_alignment() +
                    optional.file_alignment() + optional.sizeof_image() +
                    optional.sizeof_headers() + optional.checksum() +
                    static_cast<uint64_t>(optional.subsystem());
            for (const auto& section : binary->sections())
                sink += section.name().size() + section.virtual_size() + section.virtual_address() +
                        section.sizeof_raw_data() + section.characteristics();
            if (binary->has_exports()) {
                const auto& exports = binary->get_export();
                sink += exports.name().size() + exports.ordinal_base();
                for (const auto& entry : exports.entries())
                    sink += entry.ordinal() + entry.address() + entry.name().size();
            }
            if (binary->has_imports()) {
                for (const auto& import : binary->imports()) {
                    sink += import.name().size();
                    for (const auto& entry : import.entries())
                        sink += entry.is_ordinal() ? entry.ordinal() : entry.name().size();
                }
            }
            ++parsed;
        } catch (const std::exception&) {
        }
    }
    std::printf("lief: %d of %d files parsed (%llu)\n", parsed, argc - 1,
                static_cast<unsigned long long>(sink));
    return 0;
}
