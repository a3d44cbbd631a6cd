#include <gtest/gtest.h>

#include "db/base/errors.h"
#include "db/base/sql.h"

namespace scandrel::db {
namespace {

int errorNumberOf(std::u16string_view sql) {
    try {
        parseSelect(sql);
    } catch (const Error& e) {
        return e.number();
    }
    return 0;
}

TEST(SqlParser, AcceptsTheStatementsTheSearchSends) {
    const SelectStatement patients = parseSelect(u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente");
    EXPECT_EQ(patients.table, u"Pacientes");
    EXPECT_FALSE(patients.where);
    ASSERT_TRUE(patients.orderBy);
    EXPECT_EQ(patients.orderBy->column, u"Paci_tx_NomePaciente");
    EXPECT_FALSE(patients.orderBy->descending);

    const SelectStatement related = parseSelect(u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = 1234");
    EXPECT_EQ(related.table, u"Anamneses");
    ASSERT_TRUE(related.where);
    EXPECT_EQ(related.where->column, u"Anam_ln_Paciente");
    EXPECT_EQ(related.where->value, 1234);
    EXPECT_FALSE(related.orderBy);
}

TEST(SqlParser, KeywordsInAnyCaseBracketsAndFlexibleSpace) {
    const SelectStatement s =
        parseSelect(u"  select\t*\nfrom [Table 1]   where [my col]=-42 order   by [Other Col] desc ");
    EXPECT_EQ(s.table, u"Table 1");
    ASSERT_TRUE(s.where);
    EXPECT_EQ(s.where->column, u"my col");
    EXPECT_EQ(s.where->value, -42);
    ASSERT_TRUE(s.orderBy);
    EXPECT_EQ(s.orderBy->column, u"Other Col");
    EXPECT_TRUE(s.orderBy->descending);

    EXPECT_FALSE(parseSelect(u"SELECT * FROM t ORDER BY c ASC").orderBy->descending);
    EXPECT_EQ(parseSelect(u"SELECT*FROM t WHERE c=- 7").where->value, -7);
}

TEST(SqlParser, NumbersBeyondSixtyFourBitsMatchNothing) {
    EXPECT_EQ(parseSelect(u"SELECT * FROM t WHERE c = -9223372036854775808").where->value, INT64_MIN);
    EXPECT_FALSE(parseSelect(u"SELECT * FROM t WHERE c = 9223372036854775807").where->outOfRange);
    EXPECT_TRUE(parseSelect(u"SELECT * FROM t WHERE c = 9223372036854775808").where->outOfRange);
    EXPECT_TRUE(parseSelect(u"SELECT * FROM t WHERE c = 99999999999999999999999").where->outOfRange);
}

TEST(SqlParser, RejectsEverythingElseWithTheEngineNumbers) {
    EXPECT_EQ(errorNumberOf(u""), kInvalidSqlStatement);
    EXPECT_EQ(errorNumberOf(u"DELETE FROM t"), kInvalidSqlStatement);
    EXPECT_EQ(errorNumberOf(u"Pacientes"), kInvalidSqlStatement);
    EXPECT_EQ(errorNumberOf(u"SELECT a FROM t"), kSelectStatementSyntax);
    EXPECT_EQ(errorNumberOf(u"SELECT *"), kSelectStatementSyntax);
    EXPECT_EQ(errorNumberOf(u"SELECT * FROM"), kFromClauseSyntax);
    EXPECT_EQ(errorNumberOf(u"SELECT * FROM []"), kFromClauseSyntax);
    EXPECT_EQ(errorNumberOf(u"SELECT * FROM [t"), kFromClauseSyntax);
    EXPECT_EQ(errorNumberOf(u"SELECT * FROM a, b"), kFromClauseSyntax);
    EXPECT_EQ(errorNumberOf(u"SELECT * FROM t GROUP BY c"), kFromClauseSyntax);
    EXPECT_EQ(errorNumberOf(u"SELECT * FROM where"), kFromClauseSyntax);
    EXPECT_EQ(errorNumberOf(u"SELECT * FROM t WHERE"), kQueryExpressionSyntax);
    EXPECT_EQ(errorNumberOf(u"SELECT * FROM t WHERE c"), kQueryExpressionSyntax);
    EXPECT_EQ(errorNumberOf(u"SELECT * FROM t WHERE c = 'x'"), kQueryExpressionSyntax);
    EXPECT_EQ(errorNumberOf(u"SELECT * FROM t WHERE c = 1.5"), kQueryExpressionSyntax);
    EXPECT_EQ(errorNumberOf(u"SELECT * FROM t WHERE c = 1 AND d = 2"), kQueryExpressionSyntax);
    EXPECT_EQ(errorNumberOf(u"SELECT * FROM t WHERE c > 1"), kQueryExpressionSyntax);
    EXPECT_EQ(errorNumberOf(u"SELECT * FROM t WHERE c = 12abc"), kQueryExpressionSyntax);
    EXPECT_EQ(errorNumberOf(u"SELECT * FROM t ORDER c"), kOrderByClauseSyntax);
    EXPECT_EQ(errorNumberOf(u"SELECT * FROM t ORDER BY"), kOrderByClauseSyntax);
    EXPECT_EQ(errorNumberOf(u"SELECT * FROM t ORDER BY c, d"), kOrderByClauseSyntax);
    EXPECT_EQ(errorNumberOf(u"SELECT * FROM t ORDER BY c DESC x"), kOrderByClauseSyntax);
}

TEST(SqlParser, TheQueryExpressionIsNamedInTheDescription) {
    try {
        parseSelect(u"SELECT * FROM t WHERE a == 1");
        FAIL() << "accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), kQueryExpressionSyntax);
        EXPECT_NE(e.description().find(u"'a == 1'"), std::u16string::npos);
    }
}

}  // namespace
}  // namespace scandrel::db
