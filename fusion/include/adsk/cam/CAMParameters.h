#pragma once
// Tool parameters by internal name ("tool_diameter", ...). Lengths are in
// centimetres and angles in radians, whatever the tool's own unit.

#include "adsk/core/Base.h"

#include <memory>
#include <string>

namespace adsk::sim::detail {
struct ParameterBinding;
struct ToolData;
}

namespace adsk::cam {

enum FloatParameterValueTypes {
    UnspecifiedFloatParameterValueType = 0,
    LengthFloatParameterValueType = 1,
    AngleFloatParameterValueType = 2,
    LinearVelocityFloatParameterValueType = 3,
    RotationalVelocityFloatParameterValueType = 4,
    TimeFloatParameterValueType = 5,
    WeightFloatParameterValueType = 6,
    PowerFloatParameterValueType = 7,
    FlowRateFloatParameterValueType = 8,
    AreaFloatParameterValueType = 9,
    VolumeFloatParameterValueType = 10,
    TemperatureFloatParameterValueType = 11,
};

// Cast a parameter's value to one of the kinds below to read or set it.
class ParameterValue : public core::Base {
public:
    explicit ParameterValue(std::shared_ptr<sim::detail::ParameterBinding> binding);
    static const char* classType() { return "adsk::cam::ParameterValue"; }
    const char* objectType() const override { return classType(); }

protected:
    std::shared_ptr<sim::detail::ParameterBinding> binding;
};

class FloatParameterValue : public ParameterValue {
public:
    using ParameterValue::ParameterValue;
    static const char* classType() { return "adsk::cam::FloatParameterValue"; }
    const char* objectType() const override { return classType(); }

    double value() const;
    bool value(double newValue);
    FloatParameterValueTypes type() const;
};

class IntegerParameterValue : public ParameterValue {
public:
    using ParameterValue::ParameterValue;
    static const char* classType() { return "adsk::cam::IntegerParameterValue"; }
    const char* objectType() const override { return classType(); }

    int value() const;
    bool value(int newValue);
};

class BooleanParameterValue : public ParameterValue {
public:
    using ParameterValue::ParameterValue;
    static const char* classType() { return "adsk::cam::BooleanParameterValue"; }
    const char* objectType() const override { return classType(); }

    bool value() const;
    bool value(bool newValue);
};

class StringParameterValue : public ParameterValue {
public:
    using ParameterValue::ParameterValue;
    static const char* classType() { return "adsk::cam::StringParameterValue"; }
    const char* objectType() const override { return classType(); }

    std::string value() const;
    bool value(const std::string& newValue);
};

// The value is one of the parameter's choice values, such as "flat end mill".
class ChoiceParameterValue : public ParameterValue {
public:
    using ParameterValue::ParameterValue;
    static const char* classType() { return "adsk::cam::ChoiceParameterValue"; }
    const char* objectType() const override { return classType(); }

    std::string value() const;
    bool value(const std::string& newValue);
};

class CAMParameter : public core::Base {
public:
    explicit CAMParameter(std::shared_ptr<sim::detail::ParameterBinding> binding);
    static const char* classType() { return "adsk::cam::CAMParameter"; }
    const char* objectType() const override { return classType(); }

    std::string name() const;
    bool isEditable() const;
    core::Ptr<ParameterValue> value() const;

private:
    std::shared_ptr<sim::detail::ParameterBinding> binding;
};

class CAMParameters : public core::Base {
public:
    explicit CAMParameters(std::shared_ptr<sim::detail::ToolData> tool);
    static const char* classType() { return "adsk::cam::CAMParameters"; }
    const char* objectType() const override { return classType(); }

    // Null when the tool has no parameter of that name.
    core::Ptr<CAMParameter> itemByName(const std::string& name) const;

private:
    std::shared_ptr<sim::detail::ToolData> tool;
};

} // namespace adsk::cam
