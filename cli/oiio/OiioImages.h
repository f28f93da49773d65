// Image files through OpenImageIO, for every format the tool does not read or
// write itself. Values go in and out exactly as stored.
#pragma once

#include "cli/ImageLibrary.h"

namespace morvel::cli::oiio {

Image ReadFrom(const ReadRequest& request);
void WriteImage(const WriteRequest& request);

}  // namespace morvel::cli::oiio
