#ifndef UI_USERINFOOPTIONSPAGE_H
#define UI_USERINFOOPTIONSPAGE_H

#include <QSize>
#include <QWidget>

class PictureLabel;
class QLabel;
class QPlainTextEdit;

// The "User Info" page of the options: the picture and the description that
// other users get when they ask for this user's information. The picture is
// kept as a file path (user_picture_file) and previewed, read and scaled off
// the event loop; the description (user_description) is stored on every edit.
class UserInfoOptionsPage : public QWidget
{
    Q_OBJECT
public:
    static constexpr QSize PreviewBox{160, 160};

    explicit UserInfoOptionsPage(QWidget* parent = nullptr);

    // Shows the stored picture and description.
    void LoadSettings();
    // Stores the picture file ("" clears it) and previews it.
    void SetPictureFile(const QString& path);
    // Whether a preview is still being read.
    bool IsReading() const;

    PictureLabel* Preview() const { return preview; }
    QLabel* PictureFile() const { return pictureFile; }
    QPlainTextEdit* Description() const { return description; }

private slots:
    void OnSelectPicture();
    void OnDescriptionChanged();

private:
    void ShowPicture(const QString& path);

    PictureLabel* preview;
    QLabel* pictureFile;
    QPlainTextEdit* description;
};

#endif
