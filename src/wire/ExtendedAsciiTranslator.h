#ifndef WIRE_EXTENDEDASCIITRANSLATOR_H
#define WIRE_EXTENDEDASCIITRANSLATOR_H

#include "store/Events.h"
#include "store/ItemPtr.h"
#include "store/TextDecoding.h"

#include <QString>

#include <atomic>
#include <string>

class QTextCodec;

// Decodes text that is not valid UTF-8 with the code page the user chose in
// the "extended_ascii_codepage" setting, or as Latin-1 when none is chosen.
// It follows the setting through a path handler, so a loaded or newly chosen
// code page applies at once. The settings types "global" and "global_value"
// must be declared before construction. One instance, made at start-up,
// registers itself as `extendedAsciiTranslator` and as the fallback decoder
// of ToQString.
class ExtendedAsciiTranslator : public DataHandler, public FallbackTextDecoder
{
public:
    ExtendedAsciiTranslator();
    ~ExtendedAsciiTranslator() override;

    // The bytes through the chosen codec, or Latin-1 (each byte the character
    // of the same number) when there is none. Safe from any thread.
    QString Translate(const std::string& bytes) const override;

    // Writes the setting: a codec name as Qt names it, or empty for none.
    void SetCodePage(const std::string& name);

    // Null when no code page is chosen or the chosen name is unknown.
    QTextCodec* GetCodec() const { return codec.load(); }

private:
    void OnCodePageChanges(ItemPtr setting);

    std::atomic<QTextCodec*> codec{nullptr};
};

extern ExtendedAsciiTranslator* extendedAsciiTranslator;

#endif
