#include "core/loconet/MemoryPort.h"

#include <algorithm>
#include <cstring>

std::string MemoryPort::Open(const std::string& name) {
    name_ = name;
    if (!openError.empty())
        return openError;
    open_ = true;
    return {};
}

std::size_t MemoryPort::Read(std::uint8_t* buffer, std::size_t capacity) {
    std::size_t n = std::min(capacity, Unread());
    if (readChunk != 0)
        n = std::min(n, readChunk);
    if (n == 0)
        return 0;
    std::memcpy(buffer, input_.data() + readPos_, n);
    readPos_ += n;
    if (readPos_ == input_.size()) {
        input_.clear();
        readPos_ = 0;
    }
    return n;
}

std::size_t MemoryPort::Write(const std::uint8_t* data, std::size_t count) {
    const std::size_t n = std::min(count, writeLimit);
    writes.emplace_back(data, data + n);
    if (echo)
        Feed(data, n);
    return n;
}

void MemoryPort::DiscardInput() {
    input_.clear();
    readPos_ = 0;
}

void MemoryPort::Close() {
    open_ = false;
}

void MemoryPort::Feed(const std::uint8_t* data, std::size_t count) {
    if (count == 0)
        return;
    input_.insert(input_.end(), data, data + count);
    NotifyReadyRead();
}
