#include "core/loconet/OutputQueue.h"

#include "core/loconet/SlotRecord.h"

bool OutputQueue::IsUrgent(const LocoNetMessage& m) {
    switch (static_cast<Opcode>(m.bytes[0])) {
    case Opcode::OPC_GPOFF:
    case Opcode::OPC_IDLE:
        return true;
    case Opcode::OPC_LOCO_SPD:
        return m.bytes[2] == slotbits::kSpeedEmergency;
    default:
        return false;
    }
}

bool OutputQueue::CanAccept(const LocoNetMessage& message) const {
    // One place is always kept for a retry.
    return count_ < (IsUrgent(message) ? kCapacity - 1 : kAcceptLimit);
}

bool OutputQueue::Push(const LocoNetMessage& message) {
    if (!CanAccept(message))
        return false;
    if (IsUrgent(message))
        Insert(urgent_++, message);
    else
        Insert(count_, message);
    return true;
}

bool OutputQueue::PutBack(const LocoNetMessage& message) {
    if (count_ >= kCapacity)
        return false;
    // An urgent message repeated goes behind the other urgent ones: one that is never
    // confirmed must not hold up the next.
    Insert(urgent_, message);
    if (IsUrgent(message))
        ++urgent_;
    return true;
}

LocoNetMessage OutputQueue::Pop() {
    if (count_ == 0)
        return LocoNetMessage{};
    LocoNetMessage m = ring_[head_];
    head_ = (head_ + 1) % kCapacity;
    --count_;
    if (urgent_ > 0)
        --urgent_;
    return m;
}

const LocoNetMessage& OutputQueue::At(std::size_t index) const {
    return ring_[(head_ + index) % kCapacity];
}

void OutputQueue::Insert(std::size_t index, const LocoNetMessage& message) {
    if (index * 2 < count_) {
        // Nearer the front: the ones before it move one place forward.
        head_ = (head_ + kCapacity - 1) % kCapacity;
        for (std::size_t i = 0; i < index; ++i)
            ring_[(head_ + i) % kCapacity] = ring_[(head_ + i + 1) % kCapacity];
    } else {
        for (std::size_t i = count_; i > index; --i)
            ring_[(head_ + i) % kCapacity] = ring_[(head_ + i - 1) % kCapacity];
    }
    ring_[(head_ + index) % kCapacity] = message;
    ++count_;
}
