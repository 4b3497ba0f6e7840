#include "platform/module_path.h"

#include <string>
#include <string_view>

#include <unistd.h>

namespace plimo {

std::filesystem::path ModulePath() {
    std::string buffer(256, '\0');
    // readlink gives no length up front: a result that fills the buffer may have been cut, so try a bigger one.
    while (buffer.size() <= (std::size_t{1} << 20)) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(length));
            // An executable replaced on disk while it runs (an upgrade) is reported with this mark; the path
            // still names the program.
            constexpr std::string_view kReplaced = " (deleted)";
            std::error_code error;
            if (buffer.ends_with(kReplaced) && !std::filesystem::exists(buffer, error)) {
                buffer.resize(buffer.size() - kReplaced.size());
            }
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
    return {};
}

std::filesystem::path ModuleDirectory() {
    return ModulePath().parent_path();
}

}  // namespace plimo
