#include "util/Errors.h"

#include "util/PathText.h"

namespace zem {

Exception::Exception(std::wstring text) : message(std::move(text)), narrow(ToUtf8(message)) {}

} // namespace zem
