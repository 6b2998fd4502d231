#pragma once
#include "component/GasObject.h"

namespace tarnel {

// A Gas aggregated by an outer object: this is the inner, non-delegating
// IUnknown the outer object holds; the contained Gas's IGas delegates to the
// outer object.
class GasAggregate final : public IUnknown {
public:
    // Creates the aggregate and asks its own IUnknown for riid; it is
    // destroyed again when that fails.
    static HRESULT Create(IUnknown* outer, REFIID riid, void** ppv);

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;

private:
    explicit GasAggregate(IUnknown* outer) : m_Gas(outer) {}
    ~GasAggregate() = default;

    ULONG m_Refs = 0;
    GasObject m_Gas;
};

}  // namespace tarnel
