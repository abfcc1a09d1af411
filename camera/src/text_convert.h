// UTF-8 <-> wide strings for device names.
#pragma once

#include <string>
#include <string_view>

namespace oculet {

std::wstring WideFromUtf8(std::string_view text);

}  // namespace oculet
