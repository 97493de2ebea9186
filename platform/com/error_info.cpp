// Error objects and the per-thread error slot.
#include "platform/com/object.h"
#include "platform/com/oleauto.h"
#include "platform/com/variant.h"
#include "platform/core/text.h"

namespace {

class ErrorInfo final : public com::Object<IErrorInfo, ICreateErrorInfo> {
  public:
    HRESULT GetGUID(GUID* guid) override {
        if (!guid)
            return E_INVALIDARG;
        *guid = m_guid;
        return S_OK;
    }
    HRESULT GetSource(BSTR* source) override { return copyOut(m_source, source); }
    HRESULT GetDescription(BSTR* description) override {
        return copyOut(m_description, description);
    }
    HRESULT GetHelpFile(BSTR* helpFile) override { return copyOut(m_helpFile, helpFile); }
    HRESULT GetHelpContext(DWORD* helpContext) override {
        if (!helpContext)
            return E_INVALIDARG;
        *helpContext = m_helpContext;
        return S_OK;
    }

    HRESULT SetGUID(REFIID guid) override {
        m_guid = guid;
        return S_OK;
    }
    HRESULT SetSource(LPOLESTR source) override { return copyIn(source, m_source); }
    HRESULT SetDescription(LPOLESTR description) override {
        return copyIn(description, m_description);
    }
    HRESULT SetHelpFile(LPOLESTR helpFile) override { return copyIn(helpFile, m_helpFile); }
    HRESULT SetHelpContext(DWORD helpContext) override {
        m_helpContext = helpContext;
        return S_OK;
    }

  private:
    static HRESULT copyOut(const std::u16string& text, BSTR* out) {
        if (!out)
            return E_INVALIDARG;
        *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    static HRESULT copyIn(LPOLESTR text, std::u16string& field) {
        field = text ? std::u16string(text) : std::u16string();
        return S_OK;
    }

    GUID m_guid = IID_NULL;
    std::u16string m_source;
    std::u16string m_description;
    std::u16string m_helpFile;
    DWORD m_helpContext = 0;
};

thread_local com::Ptr<IErrorInfo> t_errorInfo;

}  // namespace

HRESULT CreateErrorInfo(ICreateErrorInfo** errorInfo) {
    if (!errorInfo)
        return E_INVALIDARG;
    *errorInfo = com::make<ErrorInfo>().detach();
    return S_OK;
}

HRESULT SetErrorInfo(ULONG, IErrorInfo* errorInfo) {
    t_errorInfo = com::Ptr<IErrorInfo>(errorInfo);
    return S_OK;
}

HRESULT GetErrorInfo(ULONG, IErrorInfo** errorInfo) {
    if (!errorInfo)
        return E_INVALIDARG;
    *errorInfo = t_errorInfo.detach();
    return *errorInfo ? S_OK : S_FALSE;
}

namespace com {

void setErrorInfo(REFIID iid, std::string_view source, std::string_view description,
                  DWORD helpContext) {
    Ptr<ICreateErrorInfo> info;
    CreateErrorInfo(info.put());
    info->SetGUID(iid);
    std::u16string wideSource = core::toUtf16(source);
    std::u16string wideDescription = core::toUtf16(description);
    info->SetSource(wideSource.data());
    info->SetDescription(wideDescription.data());
    info->SetHelpContext(helpContext);
    SetErrorInfo(0, info.query<IErrorInfo>().get());
}

}  // namespace com
