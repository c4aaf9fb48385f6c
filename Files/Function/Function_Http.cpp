// Web requests from game code: http_get(url) and http_post_string(url, text) return a request id
// at once; when the request finishes, the other event 62 (asynchronous web event) runs for every
// instance that has it, in the step's other-events stage, with `async_load` naming a map of
// "id", "url", "status" (0 done, negative failed), "http_status" and "result" (the answer's text).
// The map is destroyed after the event.
#include <string>

#include "Function/Function_DataStructure.h"
#include "Function/Function_Library.h"
#include "Function/Function_Register.h"
#include "Object/Object_Event.h"
#include "Support/Support_DataStructureMap.h"
#include "Support/Support_Http.h"
#include "Variable/Variable_BuiltInState.h"

namespace {

constexpr int kWebEvent = 62;

// Only http and https are fetched; a request for anything else still gets its id and fails in its
// event, the way every other failure is heard of.
void F_HttpGet(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  result.SetReal(Http_Get(Library::ArgText(argc, args, 0)));
}

void F_HttpPostString(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  result.SetReal(Http_Post(Library::ArgText(argc, args, 0), Library::ArgText(argc, args, 1)));
}

}  // namespace

void Function_Http_RaiseEvents() {
  std::vector<HttpResult> finished;
  Http_TakeFinished(finished);
  for (const HttpResult& r : finished) {
    const int index = DataStructures_NewMap();
    CDS_Map* map = DataStructures_Map(index);
    map->Replace(RValue("id"), RValue(r.id));
    map->Replace(RValue("url"), RValue(r.url.c_str()));
    map->Replace(RValue("status"), RValue(r.status));
    map->Replace(RValue("http_status"), RValue(r.httpStatus));
    RValue body;
    Library::SetStringResult(body, r.body);
    map->Replace(RValue("result"), body);
    Library::RaiseAsyncEvent(kWebEvent, index);
  }
}

void Function_Http_Bind() {
  ImplementFunction("http_get", F_HttpGet);
  ImplementFunction("http_post_string", F_HttpPostString);
}
