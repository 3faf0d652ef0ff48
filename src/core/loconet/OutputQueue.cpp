#include "core/loconet/OutputQueue.h"

bool OutputQueue::Push(const LocoNetMessage& message) {
    if (count_ >= kAcceptLimit)
        return false;
    ring_[(head_ + count_) % kCapacity] = message;
    ++count_;
    return true;
}

bool OutputQueue::PutBack(const LocoNetMessage& message) {
    if (count_ >= kCapacity)
        return false;
    head_ = (head_ + kCapacity - 1) % kCapacity;
    ring_[head_] = message;
    ++count_;
    return true;
}

LocoNetMessage OutputQueue::Pop() {
    if (count_ == 0)
        return LocoNetMessage{};
    LocoNetMessage m = ring_[head_];
    head_ = (head_ + 1) % kCapacity;
    --count_;
    return m;
}

const LocoNetMessage& OutputQueue::At(std::size_t index) const {
    return ring_[(head_ + index) % kCapacity];
}
