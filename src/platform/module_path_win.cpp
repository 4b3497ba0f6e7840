#include "platform/module_path.h"

#include <string>

#include <windows.h>

namespace plimo {

std::filesystem::path ModulePath() {
    // The wide call, so that a folder name outside the ANSI code page survives; longer than MAX_PATH is fine too.
    std::wstring buffer(MAX_PATH, L'\0');
    while (buffer.size() <= 32768) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return std::filesystem::path(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
    return {};
}

std::filesystem::path ModuleDirectory() {
    return ModulePath().parent_path();
}

}  // namespace plimo
