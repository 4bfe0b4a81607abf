#pragma once

#include "desktop/shell_open.h"

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// "Інформація про програму": the tool's name and version, a picture of the
// instrument, the maker's contact details and links to its web and mail
// addresses. Laid out for 120 pixels per inch and scaled to the screen.
class TForm2 : public QDialog {
    Q_OBJECT

public:
    TForm2(QWidget* owner, ShellOpener shellOpener);

    void Label7Click(); // opens the web address
    void Label6Click(); // opens the mail address

    // The maker's addresses, as the build was configured.
    static const QString webAddress;
    static const QString mailAddress;

    // The controls, in the order of the form.
    QPushButton* BitBtn1 = nullptr;
    QLabel* Image1 = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label14 = nullptr;
    QLabel* Label15 = nullptr;
    QLabel* Label16 = nullptr;
    QLabel* Label17 = nullptr;
    QLabel* Label18 = nullptr;
    QLabel* Label19 = nullptr;
    QLabel* Label20 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum FontStyle : int { Regular = 0, Bold = 1, Italic = 2, Underlined = 4 };

    void buildPanel();
    QLabel* placeLabel(const char* name, QRect geometry, const QString& text, int pixelSize, int style);
    int scaled(int pixels) const;
    QRect scaled(QRect geometry) const;

    ShellOpener shellOpener;
    double scale;
};

// The About dialog while it is shown.
extern TForm2* Form2;
