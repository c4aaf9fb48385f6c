// Web requests through the registry: ids at once, results only when taken. The real exchanges with
// a server are in tests/games/http_requests (the driver runs a local server).
#include "Function/Function_Exercise.h"
#include "Support/Support_Http.h"

namespace {

void ExHttp() {
  Http_Forget();
  const RValue first = CallBuiltin("http_get", {RValue("http://127.0.0.1:1/nothing")});
  const RValue second = CallBuiltin("http_post_string", {RValue("ftp://127.0.0.1/x"), RValue("a=b")});
  EXPECT_EQ(second.real, first.real + 1);
  ASSERT_TRUE(Http_WaitIdle(20000));
  std::vector<HttpResult> done;
  Http_TakeFinished(done);
  ASSERT_EQ(done.size(), 2u);
  EXPECT_EQ(done[0].id, static_cast<int32_t>(first.real));
  EXPECT_EQ(done[0].status, -1);   // nothing listens on port 1
  EXPECT_EQ(done[0].httpStatus, 0);
  EXPECT_EQ(done[1].status, -1);   // only http and https are fetched
  EXPECT_FALSE(done[1].error.empty());
  // Forgotten requests never come back.
  CallBuiltin("http_get", {RValue("http://127.0.0.1:1/again")});
  Http_Forget();
  ASSERT_TRUE(Http_WaitIdle(20000));
  done.clear();
  Http_TakeFinished(done);
  EXPECT_TRUE(done.empty());
}

const RegisterExercise kHttp({"http_get", "http_post_string"}, ExHttp);

}  // namespace
