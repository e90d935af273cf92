#ifndef STORE_TYPETABLES_H
#define STORE_TYPETABLES_H

#include "store/Data.h"

#include <cstddef>

// Each manager declares its item types and their relations from tables of these.

// A type; most are created on demand when looked up by value.
struct TypeDeclaration
{
    const char* name;
    Primacy primacy;
    bool isNull;
    bool autoCreate = true;
};

// A relation of a type to another: how many of the type per other item, how many others per item of the type.
struct RelationDeclaration
{
    const char* type;
    const char* other;
    OneOrMany thisPerOther;
    OneOrMany otherPerThis;
    bool owns = false;
};

template <std::size_t Count>
void DeclareTypes(const TypeDeclaration (&types)[Count])
{
    for (const TypeDeclaration& type : types)
        d.NewType(type.name, type.primacy, type.isNull, type.autoCreate);
}

// The types must exist.
template <std::size_t Count>
void DeclareRelations(const RelationDeclaration (&relations)[Count])
{
    for (const RelationDeclaration& relation : relations)
        d.GetType(relation.type)
            ->RelateToType(d.GetType(relation.other), relation.thisPerOther, relation.otherPerThis, relation.owns);
}

#endif
