#include "codec.h"

#include <functional>
#include <map>
#include <mutex>

namespace pyftpdir {

const Codec* InternCodec(const std::string& name) {
    // Never freed: an entry may outlive the module's state.
    static auto* codecs = new std::map<std::string, Codec, std::less<>>();
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    auto found = codecs->find(name);
    if (found == codecs->end()) {
        found = codecs->emplace(name, Codec{name, name == "utf-8"}).first;
    }
    return &found->second;
}

}  // namespace pyftpdir
