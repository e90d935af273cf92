// Loads arbitrary bytes as the configuration file into a store with a few saved types, the way the program
// declares them. Whatever loads must save and load again.
#include "store/Data.h"
#include "store/DataSaver.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
class Harness
{
public:
    Harness()
    {
        qputenv("HOME", home.path().toUtf8());
        path = home.filePath(".Quillmer");

        Type* global = d.NewType("global", Primary, false, true);
        Type* value = d.NewType("global_value", Tertiary, false, true);
        d.NewType("vglobal", Primary, false, true)->RelateToType(value, Many, One, false);
        global->RelateToType(value, Many, One, false);
        saver.AddSavedType("global");
        saver.AddSavedByConnectionType("global_value", "global");

        Type* user = d.NewType("user", Secondary, false, true);
        user->RelateToType(d.NewType("user_note", Secondary, false, true), Many, One, false);
        saver.AddSavedType("user_note");
        saver.AddSavedByConnectionType("user", "user_note");

        Type* sharedFolder = d.NewType("shared_folder", Primary, false, true);
        Type* folder = d.NewType("shared_file_folder", Secondary, false, true);
        Type* file = d.NewType("shared_file", Secondary, true, true);
        sharedFolder->RelateToType(folder, Many, Many, false);
        file->RelateToType(folder, Many, One, false);
        file->RelateToType(d.NewType("shared_file_name", Secondary, false, true), Many, One, false);
        file->RelateToType(d.NewType("is_scanned", Tertiary, true, true), Many, One, false);
        saver.AddSavedType("shared_folder");
        saver.AddSavedType("is_scanned");
        saver.AddSavedByConnectionType("shared_file_folder", "shared_folder");
        saver.AddSavedByConnectionType("shared_file", "shared_file_folder");
        saver.AddSavedByConnectionType("shared_file_name", "shared_file");
    }

    void Run(const uint8_t* data, size_t size)
    {
        {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                std::abort();
            file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
        }
        try {
            saver.Load(path);
        } catch (const DataLoadFailure& failure) {
            if (!failure.KeptCopyPath().isEmpty() && !QFile::remove(failure.KeptCopyPath()))
                std::abort();
            return;
        }
        saver.Save(path);
        try {
            saver.Load(path);
        } catch (const DataLoadFailure&) {
            std::abort();
        }
        d.RemoveAllItems();
    }

private:
    QTemporaryDir home;
    QString path;
    DataSaver saver;
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Harness harness;
    harness.Run(data, size);
    return 0;
}
