#include "auth/SmtpSender.h"

#include <cstring>
#include <ctime>
#include <curl/curl.h>
#include <memory>

#include "auth/RandomValues.h"
#include "base/Error.h"

namespace orvendi::server {

namespace {

constexpr long kTimeoutSeconds = 30;

std::string rfc2822Now() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[utc.tm_wday],
                  utc.tm_mday, kMonths[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                  utc.tm_sec);
    return text;
}

std::string domainOf(const std::string& address) {
    const auto at = address.find('@');
    return at == std::string::npos ? "localhost" : address.substr(at + 1);
}

// Message lines end in CRLF as SMTP wants them.
std::string composeMessage(const std::string& from, const std::string& to,
                           const std::string& subject, const std::string& body) {
    std::string message = "Date: " + rfc2822Now() + "\r\nFrom: Orvendi <" + from + ">\r\nTo: <" +
                          to + ">\r\nSubject: " + subject + "\r\nMessage-ID: <" +
                          RandomValues::uuid() + "@" + domainOf(from) +
                          ">\r\nMIME-Version: 1.0\r\n"
                          "Content-Type: text/plain; charset=utf-8\r\n\r\n";
    for (char c : body) {
        if (c == '\n') {
            message += "\r\n";
        } else {
            message += c;
        }
    }
    return message;
}

struct Upload {
    const std::string& data;
    size_t offset = 0;
};

size_t readUpload(char* buffer, size_t size, size_t count, void* user) {
    auto* upload = static_cast<Upload*>(user);
    const size_t n = std::min(size * count, upload->data.size() - upload->offset);
    std::memcpy(buffer, upload->data.data() + upload->offset, n);
    upload->offset += n;
    return n;
}

} // namespace

SmtpSender::SmtpSender(std::string url, std::string from)
    : url_(std::move(url)), from_(std::move(from)) {}

void SmtpSender::send(const std::string& to, const std::string& subject,
                      const std::string& body) const {
    const std::string message = composeMessage(from_, to, subject, body);
    Upload upload{message};
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) {
        throw Error("Cannot start a mail transfer");
    }
    const std::string mailFrom = "<" + from_ + ">";
    const std::string rcpt = "<" + to + ">";
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> recipients(
        curl_slist_append(nullptr, rcpt.c_str()), curl_slist_free_all);
    char errorText[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl.get(), CURLOPT_URL, url_.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_MAIL_FROM, mailFrom.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(curl.get(), CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    curl_easy_setopt(curl.get(), CURLOPT_READFUNCTION, readUpload);
    curl_easy_setopt(curl.get(), CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl.get(), CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, kTimeoutSeconds);
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, errorText);
    const CURLcode result = curl_easy_perform(curl.get());
    if (result != CURLE_OK) {
        throw Error(errorText[0] ? errorText : curl_easy_strerror(result));
    }
}

} // namespace orvendi::server
