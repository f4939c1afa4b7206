#pragma once

#include <gtest/gtest.h>

#include <cpprest/json.h>

#include <string>

#include "tests/integration/http_client.h"

// Checks that `response` is the error reply: status 400 and a JSON object of
// exactly "pbstrAbort" (string) and "abortCode" == code. Returns the text.
inline std::string ExpectEnvelope(const HttpResponse& response, int code) {
    EXPECT_EQ(400, response.status) << response.body;
    web::json::value body;
    try {
        body = web::json::value::parse(response.body);
    } catch (const std::exception&) {
    }
    bool envelope = body.is_object() && body.size() == 2 && body.has_integer_field("abortCode") &&
                    body.has_string_field("pbstrAbort");
    EXPECT_TRUE(envelope) << response.body;
    if (!envelope) return std::string();
    EXPECT_EQ(code, body.at("abortCode").as_integer()) << response.body;
    return body.at("pbstrAbort").as_string();
}
