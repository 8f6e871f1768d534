// Fixed message texts of the filter expression language, filled in with
// zakaz::FormatMessage. They are part of the program's behaviour: a rejected
// filter shows them to the user as they stand, so tests spell them literally.
#pragma once

namespace zakaz::dbf {

// The whole text handed to Compile.
inline constexpr char kExpSyntaxError[] = "Syntax Error in expression \"%s\"";
inline constexpr char kExpMissingParenthesis[] = "Missing closing parentheses";
inline constexpr char kExpMissingPeriod[] = "Missing closing period";
inline constexpr char kExpExpectingBoolean[] = "Expecting \".T.\" or \".F.\"";
// The opening character of the literal.
inline constexpr char kExpMissingLiteralEnd[] = "Missing closing \"%s\" on literal";
// The name as written (variables and columns) or upper-cased (functions).
inline constexpr char kExpNoFunction[] = "There is no function for %s";
inline constexpr char kExpUnknownVariable[] = "Field/variable %s is unknown";
inline constexpr char kExpCannotEvaluate[] = "Expression cannot be evaluated";
// The operator's display name.
inline constexpr char kExpTargetMissing[] = "Target value missing for %s operation";
inline constexpr char kExpSidesDoNotMatch[] = "The two sides of an operation do not match";
// "number" for arithmetic on booleans, "assigned" otherwise.
inline constexpr char kExpValueRequired[] = "A %s value is required but invalid";
inline constexpr char kExpWordNumber[] = "number";
inline constexpr char kExpWordAssigned[] = "assigned";
// Type name, argument number from 1, function name.
inline constexpr char kExpArgumentType[] = "%s needed for Argument %d of %s";
// Function name, the rule the argument breaks.
inline constexpr char kExpArgumentRule[] = "Argument for %s must be %s";
// Function name.
inline constexpr char kExpValueMissing[] = "A value is required for %s";
inline constexpr char kExpSameType[] = "All arguments for %s must be of the same type";
// Raised as ETableError by whoever needs a boolean filter.
inline constexpr char kExpNotBoolean[] = "Filter expression must return boolean result";

}  // namespace zakaz::dbf
