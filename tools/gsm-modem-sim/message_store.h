#pragma once

#include <optional>
#include <string>
#include <vector>

namespace gsmsim {

// One stored data unit. stat as the terminal sees it: 0 received unread, 1 received read.
struct StoredMessage {
    int stat = 0;
    std::string pdu; // hex, service centre address included
    int tpduLength = 0;
    bool report = false;
};

// The modem's message memories ("SM", "ME", "SR"), each a row of numbered slots from 1.
class MessageStore final {
public:
    MessageStore();

    bool Has(const std::string& name) const;
    std::vector<std::string> Names() const;
    // Grows or shrinks a memory; slots past the new end are dropped.
    bool SetCapacity(const std::string& name, int capacity);
    int Capacity(const std::string& name) const;
    int Used(const std::string& name) const;

    // The lowest free slot, or -1 when the memory is full or unknown.
    int Store(const std::string& name, const StoredMessage& message);
    bool InRange(const std::string& name, int index) const;
    // Null for an empty slot or an index out of range.
    StoredMessage* Get(const std::string& name, int index);
    void Erase(const std::string& name, int index);
    std::vector<int> Indexes(const std::string& name) const;

private:
    struct Memory {
        std::string name;
        std::vector<std::optional<StoredMessage>> slots;
    };
    Memory* Find(const std::string& name);
    const Memory* Find(const std::string& name) const;

    std::vector<Memory> m_memories;
};

} // namespace gsmsim
