// The Russian sentence before a socket error, by its code, and the texts of
// the other failures left as they are.
#include "exchange/failure_text.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "exchange/errors.h"
#include "ftp/errors.h"
#include "ftp/socket_stack.h"

namespace zakaz::exchange {
namespace {

constexpr char kNotAnswering[] =
    "Сервер поставщика не отвечает. Проверьте подключение к интернету и адрес сервера в "
    "настройках.";
constexpr char kNotFound[] = "Адрес сервера поставщика не найден. Проверьте его в настройках.";
constexpr char kDropped[] = "Связь с сервером поставщика прервалась. Повторите операцию.";
constexpr char kOther[] = "Ошибка связи с сервером поставщика.";

TEST(SocketErrorSentence, ByCode) {
  struct Case {
    int code;
    const char* sentence;
  };
  constexpr Case kCases[] = {
      {10061, kNotAnswering}, {10060, kNotAnswering}, {10050, kNotAnswering},
      {10051, kNotAnswering}, {10065, kNotAnswering}, {11001, kNotFound},
      {10054, kDropped},      {10053, kDropped},      {10064, kOther},
      {10058, kOther},        {11002, kOther},        {0, kOther},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.code);
    EXPECT_STREQ(c.sentence, SocketErrorSentence(c.code));
  }
}

TEST(FailureText, SocketErrorsGetTheSentenceAndKeepTheirOwnText) {
  EXPECT_EQ(std::string(kNotAnswering) + "\r\nSocket Error # 10061\r\nConnection refused.",
            FailureText(ftp::TSocketStack::SocketError(10061)));
  EXPECT_EQ(std::string(kNotFound) + "\r\nSocket Error # 11001\r\nHost not found.",
            FailureText(ftp::TSocketStack::SocketError(11001)));
  EXPECT_EQ(std::string(kOther) + "\r\nSocket Error # 10999\r\n",
            FailureText(ftp::TSocketStack::SocketError(10999)));
}

TEST(FailureText, OtherFailuresKeepTheirText) {
  EXPECT_EQ("Connection Closed Gracefully.",
            FailureText(ftp::EConnClosedGracefully("Connection Closed Gracefully.")));
  EXPECT_EQ("Login incorrect.\r\n",
            FailureText(ftp::EProtocolReplyError(530, "Login incorrect.\r\n")));
  EXPECT_EQ("Список файлов на сервере слишком велик",
            FailureText(EExchangeError("Список файлов на сервере слишком велик")));
  EXPECT_EQ("Stream write error", FailureText(std::runtime_error("Stream write error")));
}

}  // namespace
}  // namespace zakaz::exchange
