// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramIdentity.h"

#include <elf.h>
#include <link.h>
#include <sys/stat.h>

#include <cstring>

namespace qv::site {

namespace {

struct Collected {
    std::string identity;
    bool complete = true;
};

std::size_t Aligned(std::size_t size, std::size_t alignment) {
    return (size + alignment - 1) / alignment * alignment;
}

// The GNU build id among an object's notes, in hex; "" when it has none.
std::string BuildId(const dl_phdr_info& object) {
    for (int i = 0; i < object.dlpi_phnum; ++i) {
        const ElfW(Phdr)& header = object.dlpi_phdr[i];
        if (header.p_type != PT_NOTE) continue;
        const std::size_t alignment = header.p_align == 8 ? 8 : 4;
        const auto* notes = reinterpret_cast<const unsigned char*>(object.dlpi_addr + header.p_vaddr);
        std::size_t at = 0;
        while (at + sizeof(ElfW(Nhdr)) <= header.p_memsz) {
            ElfW(Nhdr) note;
            std::memcpy(&note, notes + at, sizeof note);
            const std::size_t name = at + sizeof note;
            const std::size_t description = name + Aligned(note.n_namesz, alignment);
            const std::size_t next = description + Aligned(note.n_descsz, alignment);
            if (next > header.p_memsz) break;
            if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4 &&
                std::memcmp(notes + name, "GNU", 4) == 0) {
                static constexpr char kHex[] = "0123456789abcdef";
                std::string id;
                for (std::size_t j = 0; j < note.n_descsz; ++j) {
                    id += kHex[notes[description + j] >> 4];
                    id += kHex[notes[description + j] & 0x0F];
                }
                return id;
            }
            at = next;
        }
    }
    return "";
}

int AddObject(dl_phdr_info* object, std::size_t, void* data) {
    Collected& collected = *static_cast<Collected*>(data);
    const std::string name = object->dlpi_name != nullptr ? object->dlpi_name : "";
    if (const std::string id = BuildId(*object); !id.empty()) {
        collected.identity += "id " + id + "\n";
        return 0;
    }
    // The program itself is the object without a name.
    const std::string file = name.empty() ? "/proc/self/exe" : name;
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0) {
        collected.identity += "file " + std::to_string(info.st_ino) + " " + std::to_string(info.st_size) +
                              " " + std::to_string(info.st_mtim.tv_sec) + "." +
                              std::to_string(info.st_mtim.tv_nsec) + "\n";
    } else if (name.find('/') != std::string::npos || name.empty()) {
        collected.complete = false;
    }
    // Else the kernel's own object (the vDSO), which writes no page.
    return 0;
}

}  // namespace

std::string ProgramIdentity() {
    Collected collected;
    dl_iterate_phdr(AddObject, &collected);
    return collected.complete ? collected.identity : "";
}

}  // namespace qv::site
