#include "adsk/core/Document.h"

#include <utility>

namespace adsk::core {

UnitsManager::UnitsManager(std::string units) : lengthUnits(std::move(units)) {}

std::string UnitsManager::defaultLengthUnits() const { return lengthUnits; }

Product::Product(std::string units) : lengthUnits(std::move(units)) {}

Ptr<UnitsManager> Product::unitsManager() const {
    return Ptr<UnitsManager>(new UnitsManager(lengthUnits));
}

Products::Products(std::string units) : lengthUnits(std::move(units)) {}

Ptr<Product> Products::itemByProductType(const std::string& productType) const {
    // Every simulated document carries a manufacturing product.
    if (productType != "CAMProductType") return nullptr;
    return Ptr<Product>(new Product(lengthUnits));
}

Document::Document(std::string units) : lengthUnits(std::move(units)) {}

Ptr<Products> Document::products() const { return Ptr<Products>(new Products(lengthUnits)); }

} // namespace adsk::core
