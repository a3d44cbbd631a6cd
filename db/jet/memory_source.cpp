#include <cstring>

#include "db/jet/byte_source.h"

namespace scandrel::db::jet {
namespace {

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    uint64_t size() const override { return bytes_.size(); }
    uint64_t currentSize() override { return bytes_.size(); }
    bool read(uint64_t offset, uint8_t* destination, size_t count) override {
        if (offset > bytes_.size() || count > bytes_.size() - offset) return false;
        if (count != 0) std::memcpy(destination, bytes_.data() + offset, count);
        return true;
    }

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace

std::unique_ptr<ByteSource> memorySource(std::vector<uint8_t> bytes) {
    return std::make_unique<MemorySource>(std::move(bytes));
}

}  // namespace scandrel::db::jet
