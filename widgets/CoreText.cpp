#include "widgets/CoreText.h"

#include <QCoreApplication>

#include <string_view>

QString translatedCoreText(const char* context, std::span<const char* const> sources,
                           const std::string& text) {
    const std::string_view shown(text);
    for (const char* source : sources) {
        const std::string_view pattern(source);
        const std::size_t hole = pattern.find("%1");
        if (hole == std::string_view::npos) {
            if (shown == pattern)
                return QCoreApplication::translate(context, source);
            continue;
        }
        const std::string_view head = pattern.substr(0, hole);
        const std::string_view tail = pattern.substr(hole + 2);
        if (shown.size() >= head.size() + tail.size() && shown.starts_with(head) &&
            shown.ends_with(tail)) {
            const std::string_view filled =
                shown.substr(head.size(), shown.size() - head.size() - tail.size());
            return QCoreApplication::translate(context, source)
                .arg(QString::fromUtf8(filled.data(), qsizetype(filled.size())));
        }
    }
    return QString::fromStdString(text);
}
