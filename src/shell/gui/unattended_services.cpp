#include "shell/gui/unattended_services.h"

#include <cstdio>

#include <QString>
#include <QtGlobal>

#include "common/gui/text_codec.h"
#include "shell/gui/qt_dialog_services.h"

namespace quorvex {

namespace {

const char* IconName(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::None: return "no icon";
    case MsgIcon::Information: return "information";
    case MsgIcon::Exclamation: return "exclamation";
    case MsgIcon::Critical: return "critical";
    case MsgIcon::Question: return "question";
    }
    return "";
}

MsgAnswer FirstButton(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::Ok:
    case MsgButtons::OkCancel: return MsgAnswer::Ok;
    case MsgButtons::YesNo: return MsgAnswer::Yes;
    }
    return MsgAnswer::Ok;
}

}  // namespace


std::optional<std::string> UnattendedServices::OpenFile(FileAsked which) {
    std::fprintf(stderr, "quorvex: file dialog \"%s\" cancelled (unattended)\n",
                 std::string(FileDialogTitle(which)).c_str());
    return std::nullopt;
}

MsgAnswer UnattendedServices::Message(std::string_view text, std::string_view title, MsgIcon icon,
                                      MsgButtons buttons) {
    return Tell(MessageText(text), title, icon, buttons);
}

MsgAnswer UnattendedServices::MessageUtf8(std::string_view text, std::string_view title, MsgIcon icon,
                                          MsgButtons buttons) {
    return Tell(Utf8MessageText(text), title, icon, buttons);
}

MsgAnswer UnattendedServices::Tell(const QString& text, std::string_view title, MsgIcon icon, MsgButtons buttons) {
    const QString line = QStringLiteral("quorvex: message [%1] (%2): %3\n")
                             .arg(MessageText(title), QString::fromLatin1(IconName(icon)), text);
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    return FirstButton(buttons);
}

bool UnattendedServices::Yield() { return attended_.Yield(); }

void UnattendedServices::SetBusy(bool busy) { attended_.SetBusy(busy); }

Date UnattendedServices::Today() { return attended_.Today(); }

void UnattendedServices::ShowProgress(std::int64_t recCtr, std::int64_t recordsInFile, std::uint64_t fileLength) {
    attended_.ShowProgress(recCtr, recordsInFile, fileLength);
}

std::optional<std::string> UnattendedServices::SaveFile(std::string_view title, std::string_view /*folder*/,
                                                        std::string_view /*filter*/) {
    std::fprintf(stderr, "quorvex: save dialog \"%s\" cancelled (unattended)\n", std::string(title).c_str());
    return std::nullopt;
}

}  // namespace quorvex
