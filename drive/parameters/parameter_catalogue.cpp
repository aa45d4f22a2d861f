#include "drive/parameters/parameter_catalogue.h"

#include "drive/connection/text_encoding.h"
#include "drive/parameters/model/write_rules.h"

#include <cstdio>

namespace tarvex::parameters {

std::string text(const CatalogueText &value) { return utf8FromUtf16(value); }

bool loadGroupCatalogue(const DatabaseLibrary &database, int group, GroupCatalogue &out,
                        MessageService &messages)
{
    out = GroupCatalogue{};
    const int count = database.GetPrmCntInGrp(group);
    if (count <= 0) {
        char message[64];
        std::snprintf(message, sizeof message, " %d Parameter Init Failedl!!", group);
        messages.show(message);
        return false;
    }
    // Every parameter takes at least one register, so a group with more
    // parameters than a block carries is refused before anything is sized by it.
    if (count > kMaxGroupRegisters) {
        messages.show("Getting Parameter Attribute is fail!!",
                      "The catalogue lists " + std::to_string(count) + " parameters in group " +
                          std::to_string(group) + "; one block carries at most " +
                          std::to_string(kMaxGroupRegisters) + " registers.");
        return false;
    }
    std::vector<ParameterAttribute> records(static_cast<std::size_t>(count));
    if (!database.GetParamAttr(group, records.data(), count)) {
        messages.show("Getting Parameter Attribute is fail!!");
        return false;
    }
    int registers = 0;
    for (const ParameterAttribute &record : records)
        registers += registersOf(record.Param_Bit_Type);
    if (registers > kMaxGroupRegisters) {
        messages.show("Getting Parameter Attribute is fail!!",
                      "Group " + std::to_string(group) + " holds " + std::to_string(registers) +
                          " registers; one block carries at most " +
                          std::to_string(kMaxGroupRegisters) + ".");
        return false;
    }
    out.attributes = std::move(records);
    out.registerCount = registers;
    out.loaded = true;
    return true;
}

std::string acceptedText(const ParameterAttribute &p, int group, int position)
{
    const RangeCheck bounds = p.Param_Bit_Type == 2 ? RangeCheck{} : writeRangeCheck(group, position);
    std::string unit = text(p.Param_Unit);
    // The catalogue marks a unitless value with a dash.
    if (unit == "-")
        unit.clear();
    return acceptedText(p.Param_DataType, p.Param_Bit_Type, text(p.Param_Min_Value), text(p.Param_Max_Value), unit,
                        bounds);
}

} // namespace tarvex::parameters
