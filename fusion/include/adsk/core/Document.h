#pragma once
// The active document, its products and their units.

#include "adsk/core/Base.h"

#include <string>

namespace adsk::core {

class UnitsManager : public Base {
public:
    explicit UnitsManager(std::string lengthUnits);
    static const char* classType() { return "adsk::core::UnitsManager"; }
    const char* objectType() const override { return classType(); }

    // The user's length unit, such as "cm", "mm" or "in".
    std::string defaultLengthUnits() const;

private:
    std::string lengthUnits;
};

class Product : public Base {
public:
    explicit Product(std::string lengthUnits);
    static const char* classType() { return "adsk::core::Product"; }
    const char* objectType() const override { return classType(); }

    Ptr<UnitsManager> unitsManager() const;

private:
    std::string lengthUnits;
};

class Products : public Base {
public:
    explicit Products(std::string lengthUnits);
    static const char* classType() { return "adsk::core::Products"; }
    const char* objectType() const override { return classType(); }

    // "CAMProductType" gives the manufacturing product; null for an unknown type.
    Ptr<Product> itemByProductType(const std::string& productType) const;

private:
    std::string lengthUnits;
};

class Document : public Base {
public:
    explicit Document(std::string lengthUnits);
    static const char* classType() { return "adsk::core::Document"; }
    const char* objectType() const override { return classType(); }

    Ptr<Products> products() const;

private:
    std::string lengthUnits;
};

} // namespace adsk::core
