#include "dnet/DNetSchema.h"

#include "store/Data.h"
#include "store/TypeTables.h"

namespace {

// Every type is created on demand when looked up by value.
constexpr TypeDeclaration Types[] = {
    {"attempted_dnet_connection", Tertiary, true},
    {"dnet_global", Primary, false},
    {"dnet_value", Tertiary, false},
    {"dnet_child", Primary, false},
    {"dnet_child_depth", Tertiary, false},
    {"dnet_parent_candidate", Primary, false},
    {"dnet_candidate_level", Tertiary, false},
    {"dnet_candidate_leader", Tertiary, false},
};

constexpr RelationDeclaration Relations[] = {
    {"user", "attempted_dnet_connection", Many, One},
    {"dnet_global", "dnet_value", Many, One},
    {"dnet_child", "user", One, One},
    {"dnet_child", "dnet_child_depth", Many, One},
    {"dnet_parent_candidate", "user", Many, One},
    {"dnet_parent_candidate", "dnet_candidate_level", Many, One},
    {"dnet_parent_candidate", "dnet_candidate_leader", Many, One},
};

ItemPtr StateItem(const char* name)
{
    return d.GetType("dnet_global")->GetItem(Value(name));
}

} // namespace

void DeclareDNetTypes()
{
    DeclareTypes(Types);
    DeclareRelations(Relations);
}

bool HasDNetValue(const char* name)
{
    return !GetDNetRawValue(name).Empty();
}

QString GetDNetValue(const char* name)
{
    return d.GetType("dnet_global")->HasItem(Value(name)).GetItem("dnet_value").AsString();
}

Value GetDNetRawValue(const char* name)
{
    return d.GetType("dnet_global")->HasItem(Value(name)).GetItem("dnet_value").GetValue();
}

void SetDNetValue(const char* name, const Value& value)
{
    if (value.Empty())
        UnsetDNetValue(name);
    else
        StateItem(name) += d.GetType("dnet_value")->GetItem(value);
}

void UnsetDNetValue(const char* name)
{
    if (ItemPtr state = d.GetType("dnet_global")->HasItem(Value(name)))
        state.Disconnect("dnet_value");
}
