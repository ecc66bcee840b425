#include "app/frmabout.h"

#include "app/appresources.h"
#include "app/twips.h"
#include "app/x11requests.h"

#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

frmAbout::frmAbout(X11Requests* x11, QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString());
    setFixedSize(twipsSize(3630, 4050));
    QFont plain = font(); // the design's 8.25 pt sans face
    plain.setPointSizeF(8.25);
    setFont(plain);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    Image1 = new QLabel(this);
    Image1->setGeometry(twipsRect(1200, 120, 1215, 975));
    Image1->setPixmap(aboutPicture());
    Image1->setScaledContents(true);

    Label1 = new QLabel(QStringLiteral("Quorvil4"), this);
    Label1->setGeometry(twipsRect(840, 1080, 1935, 495));
    Label1->setAlignment(Qt::AlignCenter);
    QFont title(QStringLiteral("Leckerli One"));
    title.setPointSizeF(20.25);
    title.setWeight(QFont::Normal);
    Label1->setFont(title);
    QPalette blue = Label1->palette();
    blue.setColor(QPalette::WindowText, QColor(128, 128, 255));
    Label1->setPalette(blue);

    Label6 = new QLabel(QStringLiteral("Version 4.1 "), this);
    Label6->setGeometry(twipsRect(720, 1680, 2175, 255));
    Label6->setAlignment(Qt::AlignCenter);

    Command1 = new QPushButton(QStringLiteral("Close"), this);
    Command1->setGeometry(twipsRect(1320, 3480, 975, 375));
    connect(Command1, &QPushButton::clicked, this, &frmAbout::Command1_Click);

    if (x11)
        clearCaptionAndIcon(*x11, std::uint32_t(winId()));
}

void frmAbout::Command1_Click()
{
    close();
}
