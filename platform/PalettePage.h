#pragma once
// Where Fusion finds the add-in's offline palette page.

#include <string>

namespace Corvana {

// The page's file address (file:///...), without a query. Fusion keeps
// add-ins under the user's roaming application data folder; the address uses
// forward slashes and encodes blanks, other bytes pass through as they are.
std::string palettePageAddress();

} // namespace Corvana
