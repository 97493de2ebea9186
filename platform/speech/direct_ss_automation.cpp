#include "platform/speech/direct_ss_automation.h"

#include "platform/com/type_table.h"
#include "platform/com/variant.h"
#include "platform/speech/speech.h"

namespace speech {
namespace {

class DirectSSObject final : public com::Dispatchable<DirectSSObject> {
  public:
    static const com::TypeTable& typeTable();

    HRESULT Speak(BSTR text) {
        m_control.Speak(com::utf8FromBstr(text));
        return S_OK;
    }
    HRESULT AudioReset() {
        m_control.AudioReset();
        return S_OK;
    }

  private:
    DirectSS m_control;
};

constexpr com::Member kMembers[] = {
    com::method<&DirectSSObject::Speak>(
        "Speak", DISPID_DirectSS_Speak,
        com::params("Text") | com::doc("Queues a sentence to be spoken")),
    com::method<&DirectSSObject::AudioReset>(
        "AudioReset", DISPID_DirectSS_AudioReset,
        com::doc("Stops the sentence being spoken and drops the queued ones")),
};

const com::TypeTable& DirectSSObject::typeTable() {
    static constexpr com::TypeTable table{
        IID_IDirectSS,          "IDirectSS", kMembers, "Text-to-speech control",
        TYPEFLAG_FDISPATCHABLE, "DirectSS"};
    return table;
}

}  // namespace

com::Ptr<IDispatch> createDirectSSObject() {
    return com::Ptr<IDispatch>::attach(static_cast<IDispatch*>(new DirectSSObject()));
}

}  // namespace speech
