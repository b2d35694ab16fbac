// What the rest of Crypto++ provides to the part built here: the templates its headers declare
// as instantiated elsewhere, and integer.cpp's two functions that the library's core calls
// (no Integer is ever used by this part).
#include <cryptopp/algparam.h>
#include <cryptopp/filters.h>

namespace CryptoPP {

template class AlgorithmParametersTemplate<bool>;
template class AlgorithmParametersTemplate<int>;
template class AlgorithmParametersTemplate<ConstByteArrayParameter>;
template class StringSinkTemplate<std::string>;

bool AssignIntToInteger(const std::type_info&, void*, const void*) {
  return false;
}

template <>
std::string IntToString<word64>(word64 value, unsigned int base) {
  if (value == 0)
    return "0";
  std::string text;
  for (; value; value /= base)
    text.insert(text.begin(), "0123456789abcdef"[value % base]);
  return text;
}

}  // namespace CryptoPP
