// libFuzzer target for the markup reader: any bytes must load and answer lookups
// without crashing, reading out of bounds or running away.
#include "xml/XmlReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    x5k::CXmlReader reader;
    // A failed load leaves an empty document, which must answer lookups too.
    (void)reader.LoadMemory({data, size});
    reader.ReadMarkupValue("config", "str_ok");
    reader.ReadMarkupValue("firmware", "version");
    reader.ReadMarkupValue("", "");
    return 0;
}
