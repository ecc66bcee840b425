#include "app/appresources.h"

#include <QApplication>
#include <QFile>

// The resources live in a static library: without a reference the linker drops them.
// Q_INIT_RESOURCE must not be used inside a namespace.
static void ensureResources()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(quorvil4);
        return true;
    }();
    (void)loaded;
}

QIcon programIcon()
{
    ensureResources();
    QIcon icon;
    for (const char* name : {":/icons/quorvil4.png", ":/icons/quorvil4-48.png",
                             ":/icons/quorvil4-64.png", ":/icons/quorvil4-128.png"})
        icon.addFile(QString::fromLatin1(name));
    return icon;
}

QPixmap aboutPicture()
{
    ensureResources();
    return QPixmap(QStringLiteral(":/icons/about.png"));
}

QString readmeText()
{
    ensureResources();
    QFile file(QStringLiteral(":/readme.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    text.remove(QLatin1Char('\r'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

QFont programFont()
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    return font;
}

void useProgramFont()
{
    QApplication::setFont(programFont());
}
