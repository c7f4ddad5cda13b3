#pragma once
// Marks that one instance of a program runs for this user. The lock is held for the life of
// the object and goes with the process, however it ends.

#include <string>

class CInstanceLock
{
public:
    CInstanceLock() = default;
    ~CInstanceLock();
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

    enum class Result { Acquired, HeldByAnother, Failed };
    Result TryLock(const std::string& name);
    void Release();
    bool IsHeld() const { return m_fd >= 0; }
    const std::string& ErrorText() const { return m_error; }

private:
    int m_fd = -1;
    std::string m_error;
};
