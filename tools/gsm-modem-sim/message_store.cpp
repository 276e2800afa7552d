#include "message_store.h"

namespace gsmsim {

MessageStore::MessageStore()
{
    m_memories.push_back({"SM", std::vector<std::optional<StoredMessage>>(30)});
    m_memories.push_back({"ME", std::vector<std::optional<StoredMessage>>(50)});
    m_memories.push_back({"SR", std::vector<std::optional<StoredMessage>>(20)});
}

MessageStore::Memory* MessageStore::Find(const std::string& name)
{
    for (Memory& m : m_memories) {
        if (m.name == name)
            return &m;
    }
    return nullptr;
}

const MessageStore::Memory* MessageStore::Find(const std::string& name) const
{
    for (const Memory& m : m_memories) {
        if (m.name == name)
            return &m;
    }
    return nullptr;
}

bool MessageStore::Has(const std::string& name) const
{
    return Find(name) != nullptr;
}

std::vector<std::string> MessageStore::Names() const
{
    std::vector<std::string> names;
    for (const Memory& m : m_memories)
        names.push_back(m.name);
    return names;
}

bool MessageStore::SetCapacity(const std::string& name, int capacity)
{
    Memory* m = Find(name);
    if (!m || capacity < 1 || capacity > 255)
        return false;
    m->slots.resize(static_cast<std::size_t>(capacity));
    return true;
}

int MessageStore::Capacity(const std::string& name) const
{
    const Memory* m = Find(name);
    return m ? static_cast<int>(m->slots.size()) : 0;
}

int MessageStore::Used(const std::string& name) const
{
    const Memory* m = Find(name);
    int used = 0;
    if (m) {
        for (const auto& slot : m->slots)
            used += slot.has_value() ? 1 : 0;
    }
    return used;
}

int MessageStore::Store(const std::string& name, const StoredMessage& message)
{
    Memory* m = Find(name);
    if (!m)
        return -1;
    for (std::size_t i = 0; i < m->slots.size(); ++i) {
        if (!m->slots[i]) {
            m->slots[i] = message;
            return static_cast<int>(i) + 1;
        }
    }
    return -1;
}

bool MessageStore::InRange(const std::string& name, int index) const
{
    const Memory* m = Find(name);
    return m && index >= 1 && index <= static_cast<int>(m->slots.size());
}

StoredMessage* MessageStore::Get(const std::string& name, int index)
{
    if (!InRange(name, index))
        return nullptr;
    auto& slot = Find(name)->slots[static_cast<std::size_t>(index) - 1];
    return slot ? &*slot : nullptr;
}

void MessageStore::Erase(const std::string& name, int index)
{
    if (InRange(name, index))
        Find(name)->slots[static_cast<std::size_t>(index) - 1].reset();
}

std::vector<int> MessageStore::Indexes(const std::string& name) const
{
    std::vector<int> indexes;
    if (const Memory* m = Find(name)) {
        for (std::size_t i = 0; i < m->slots.size(); ++i) {
            if (m->slots[i])
                indexes.push_back(static_cast<int>(i) + 1);
        }
    }
    return indexes;
}

} // namespace gsmsim
