#include "app/appresources.h"

#include "app/icons/programicon.h"

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QProxyStyle>
#include <fontconfig/fontconfig.h>

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
    // The design's size and its double for dense screens: every size goes to the window system
    // with each window. Read from XPM, which needs neither the image plugins nor a PNG decoder
    // before the first window.
    QIcon icon;
    icon.addPixmap(QPixmap(ProgramIcon32));
    icon.addPixmap(QPixmap(ProgramIcon64));
    return icon;
}

QPixmap aboutPicture()
{
    // Left to guess the format, the reader would load every image plugin there is; the toolkit
    // reads PNG by itself.
    ensureResources();
    QImageReader reader(QStringLiteral(":/icons/about.png"), "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
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

namespace {

class ProgramStyle final : public QProxyStyle {
public:
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                       const QWidget* widget) const override
    {
        if (icon == SP_ToolBarHorizontalExtensionButton)
            return {};
        return QProxyStyle::standardIcon(icon, option, widget);
    }
};

} // namespace

void useProgramStyle()
{
    QApplication::setStyle(new ProgramStyle);
}

FontConfigWarmup::FontConfigWarmup() : m_thread([] { FcInit(); }) {}

void FontConfigWarmup::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}
