#include "wire/ExtendedAsciiTranslator.h"

#include "store/Data.h"

#include <QTextCodec>

namespace {

const char* const SettingName = "extended_ascii_codepage";
// What the code-page chooser shows for "no code page"; older settings files
// may hold it instead of the empty text.
const char* const NoCodePage = "[None]";

} // namespace

ExtendedAsciiTranslator* extendedAsciiTranslator = nullptr;

ExtendedAsciiTranslator::ExtendedAsciiTranslator()
{
    ItemPtr setting = d.GetType("global")->GetItem(SettingName);
    auto* root = new PathNode(setting);
    new PathNode(root, "global_value", PathOnConnect);
    d.AddPathEventHandler(root,
                          AddDataHandler(new EventHandler<ExtendedAsciiTranslator, ItemPtr>(
                              this, &ExtendedAsciiTranslator::OnCodePageChanges)));
    // A value written before this existed (defaults) is not announced again.
    OnCodePageChanges(setting);
    extendedAsciiTranslator = this;
    SetFallbackTextDecoder(this);
}

ExtendedAsciiTranslator::~ExtendedAsciiTranslator()
{
    if (extendedAsciiTranslator == this)
        extendedAsciiTranslator = nullptr;
    if (GetFallbackTextDecoder() == this)
        SetFallbackTextDecoder(nullptr);
}

QString ExtendedAsciiTranslator::Translate(const std::string& bytes) const
{
    if (QTextCodec* current = codec.load())
        return current->toUnicode(bytes.data(), int(bytes.size()));
    return QString::fromLatin1(bytes.data(), int(bytes.size()));
}

void ExtendedAsciiTranslator::SetCodePage(const std::string& name)
{
    d.GetType("global")->GetItem(SettingName) += d.GetType("global_value")->GetItem(name);
}

void ExtendedAsciiTranslator::OnCodePageChanges(ItemPtr setting)
{
    const std::string name = setting["global_value"].AsStdString();
    if (name.empty() || name == NoCodePage)
        codec = nullptr;
    else
        codec = QTextCodec::codecForName(QByteArray::fromStdString(name));
}
