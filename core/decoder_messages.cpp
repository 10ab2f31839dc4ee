#include "core/decoder_messages.h"

#include <unistd.h>
#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace vonnik {

namespace {

thread_local QStringList* decoderMessages = nullptr;
QtMessageHandler previousMessageHandler = nullptr;

void RouteMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (decoderMessages != nullptr) {
        decoderMessages->append(text);
        return;
    }
    if (previousMessageHandler != nullptr) previousMessageHandler(type, context, text);
}

std::mutex decodingOne;

}  // namespace

QuietStandardError::QuietStandardError() {
    std::fflush(stderr);
    scratch_ = std::tmpfile();
    if (scratch_ == nullptr) return;
    saved_ = dup(STDERR_FILENO);
    if (saved_ < 0 || dup2(fileno(scratch_), STDERR_FILENO) < 0) {
        if (saved_ >= 0) close(saved_);
        saved_ = -1;
    }
}

QuietStandardError::~QuietStandardError() {
    if (saved_ >= 0) {
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
    }
    if (scratch_ != nullptr) std::fclose(scratch_);
}

QStringList QuietStandardError::Lines() const {
    if (saved_ < 0) return {};
    std::fflush(stderr);
    QByteArray text;
    char buffer[4096];
    std::rewind(scratch_);
    for (std::size_t n;
         (n = std::fread(buffer, 1, sizeof buffer, scratch_)) > 0 && text.size() < 65536;)
        text.append(buffer, static_cast<qsizetype>(n));
    return QString::fromLocal8Bit(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QuietDecoders::QuietDecoders() : lock_(decodingOne) {
    static std::once_flag installed;
    std::call_once(installed,
                   [] { previousMessageHandler = qInstallMessageHandler(&RouteMessage); });
    outer_ = decoderMessages;
    decoderMessages = &messages_;
}

QuietDecoders::~QuietDecoders() {
    decoderMessages = outer_;
}

}  // namespace vonnik
