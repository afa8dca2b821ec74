// Removal of the namespace prefix the SOAP Toolkit's serializer invents.
#pragma once

#include <cstdint>

namespace nvx::http {

// Removes "SOAPSDK1" and its colon from the names inside start and end tags
// of the payload, in place: <SOAPSDK1:Add> becomes <Add>, </SOAPSDK1:Add>
// becomes </Add>, and the declaration xmlns:SOAPSDK1="..." becomes the
// default-namespace declaration xmlns="...". Only the prefix as a whole
// name part counts ("SOAPSDK12:" is another prefix); character data,
// attribute values, comments, CDATA sections and processing instructions
// are left alone. Never looks past `length`; returns the new length.
std::uint32_t RemoveToolkitPrefix(char* bytes, std::uint32_t length);

}  // namespace nvx::http
