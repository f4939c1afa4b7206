#pragma once

#include <gtest/gtest.h>

#include <cpprest/json.h>

#include <string>

#include "tests/integration/transport_socket.h"

// The code of the error reply `response`: status 400 and a JSON object of
// exactly "pbstrAbort" (string) and "abortCode"; its text in `text`. 0, with
// a failure, when the reply is none.
inline int EnvelopeCode(const HttpResponse& response, std::string* text = nullptr) {
    web::json::value body;
    try {
        body = web::json::value::parse(response.body);
    } catch (const std::exception&) {
    }
    bool envelope = response.status == 400 && body.is_object() && body.size() == 2 &&
                    body.has_integer_field("abortCode") && body.has_string_field("pbstrAbort");
    EXPECT_TRUE(envelope) << response.status << " " << response.body;
    if (!envelope) return 0;
    if (text != nullptr) *text = body.at("pbstrAbort").as_string();
    return body.at("abortCode").as_integer();
}

// Checks that `response` is the error reply of `code`; its text.
inline std::string ExpectEnvelope(const HttpResponse& response, int code) {
    std::string text;
    EXPECT_EQ(code, EnvelopeCode(response, &text)) << response.body;
    return text;
}
