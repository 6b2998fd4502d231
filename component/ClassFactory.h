#pragma once
#include <mutex>

#include "com/IClassFactory.h"

namespace tarnel {

// The class factory of one class. The class table holds the first reference;
// while clients hold more (the count is 2 or above) the factory keeps one
// component lock, so only client references keep the module loaded.
class ClassFactory final : public IClassFactory {
public:
    using Creator = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);

    // Makes a factory for creator and asks it for riid.
    static HRESULT Create(Creator creator, REFIID riid, void** ppv);

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
    HRESULT LockServer(BOOL fLock) override;

private:
    explicit ClassFactory(Creator creator) : m_Creator(creator) {}
    ~ClassFactory() = default;

    Creator m_Creator;
    std::mutex m_Mutex;
    ULONG m_Refs = 0;
};

}  // namespace tarnel
