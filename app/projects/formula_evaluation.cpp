#include "app/projects/formula_evaluation.h"

#include <cmath>
#include <exception>

#include "app/common/gbk_string.h"
#include "app/projects/formula_arithmetic.h"
#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/table.h"

namespace torvanel {

namespace {

bool qualifiesForLookup(const AuxiliaryTable& entry) {
  return entry.relationType == kLookupRelation && !entry.auxiliaryKey().isEmpty() &&
         !entry.masterFields().isEmpty();
}

bool nonFinite(const tdb::Value& v) {
  return (v.kind() == tdb::Value::Kind::Double || v.kind() == tdb::Value::Kind::DateTime) &&
         !std::isfinite(v.doubleValue());
}

bool isZero(const tdb::Value& v) {
  switch (v.kind()) {
    case tdb::Value::Kind::Integer:
      return v.integerValue() == 0;
    case tdb::Value::Kind::Double:
    case tdb::Value::Kind::DateTime:
      return v.doubleValue() == 0;
    default:
      return false;
  }
}

// Clearing can itself fail (a table that closed under us); the formula has failed already.
void clearQuietly(tdb::Field& target) {
  try {
    target.clear();
  } catch (const std::exception&) {
  }
}

// Stores `v` and reads it back as the field holds it. A value that is not finite (a double field
// written by another program can hold one) never reaches the field's conversion.
tdb::Value store(tdb::Field& target, const tdb::Value& v) {
  if (nonFinite(v)) throw tdb::EngineError("not a finite number");
  target.setValue(v);
  return target.value();
}

}  // namespace

QString lookupErrorQuestion(const AuxiliaryTable& entry) {
  return QLatin1Char('[') + entry.database + QLatin1Char(']') + entry.table +
         QStringLiteral("查找关系数据类型错误!\r继续计算吗?");
}

FormulaEvaluator::FormulaEvaluator(ProjectTables tables,
                                   std::function<bool(const QString&)> askGoOn)
    : tables_(std::move(tables)), askGoOn_(std::move(askGoOn)) {
  for (const FieldFormula& f : tables_.formulas) {
    Formula formula{gbkText(f.field), parseFormula(f.formula), {}};
    for (const FormulaStep& step : formula.parsed.steps) {
      int entry = -1;
      if (step.operand.kind == FormulaOperand::Kind::Auxiliary && step.operand.valid)
        for (int u = 0; u < tables_.auxdefs.size() && entry < 0; ++u)
          if (tables_.auxdefs[u].database == step.operand.database &&
              tables_.auxdefs[u].table == step.operand.table)
            entry = u;
      formula.entries.push_back(entry);
    }
    formulas_.push_back(std::move(formula));
  }
}

void FormulaEvaluator::installAsBeforePost() {
  if (tables_.master) tables_.master->beforePost = [this](tdb::Table&) { evaluate(); };
}

tdb::Table* FormulaEvaluator::auxtable(int entry) const {
  return entry >= 0 && static_cast<size_t>(entry) < tables_.auxtables.size()
             ? tables_.auxtables[entry]
             : nullptr;
}

void FormulaEvaluator::evaluate() {
  if (running_ || !tables_.master || !tables_.master->editing()) return;
  running_ = true;
  try {
    evaluateAll();
  } catch (...) {
    // Whatever went wrong, the store goes on with the values the record holds now.
  }
  running_ = false;
}

void FormulaEvaluator::evaluateAll() {
  const int n = tables_.auxdefs.size();
  found_.assign(n, true);
  if (n == 0) {
    evaluatePass();
    return;
  }
  for (int u = 0; u < n; ++u) {
    if (qualifiesForLookup(tables_.auxdefs[u])) {
      if (!positionLookup(u)) return;
      evaluatePass();
    } else if (u == n - 1) {
      evaluatePass();
    }
  }
}

bool FormulaEvaluator::positionLookup(int u) {
  const AuxiliaryTable& entry = tables_.auxdefs[u];
  try {
    tdb::Table* lookup = auxtable(u);
    if (!lookup || !lookup->active()) throw tdb::EngineError("lookup table not open");
    const tdb::Value key = tables_.master->fieldByName(gbkText(entry.masterFields())).value();
    found_[u] = lookup->locate(gbkText(entry.auxiliaryKey()), key, tdb::loCaseInsensitive);
    return true;
  } catch (const std::exception&) {
    found_[u] = false;
  }
  bool goOn = false;
  try {
    goOn = askGoOn_ && askGoOn_(lookupErrorQuestion(entry));
  } catch (...) {
    goOn = false;
  }
  if (!goOn) recalcStop_ = true;
  return goOn;
}

void FormulaEvaluator::evaluatePass() {
  for (const Formula& formula : formulas_) evaluateFormula(formula);
}

std::optional<tdb::Value> FormulaEvaluator::resolve(const FormulaOperand& operand, int entry) {
  try {
    switch (operand.kind) {
      case FormulaOperand::Kind::Constant:
        return operand.constant;
      case FormulaOperand::Kind::Master:
        if (tdb::Field* f = tables_.master->findField(operand.field)) return f->value();
        return std::nullopt;
      case FormulaOperand::Kind::Auxiliary: {
        tdb::Table* t = auxtable(entry);
        if (!t || !t->active() || !found_[entry]) return std::nullopt;
        if (tdb::Field* f = t->findField(operand.field)) return f->value();
        return std::nullopt;
      }
    }
  } catch (const std::exception&) {
    // A field that cannot be read (a damaged memo) names nothing that can be used.
  }
  return std::nullopt;
}

void FormulaEvaluator::evaluateFormula(const Formula& formula) {
  tdb::Field* target = tables_.master->findField(formula.target);
  if (!target) return;
  const bool textTarget = target->dataType() == tdb::FieldType::ftString;
  const std::vector<FormulaStep>& steps = formula.parsed.steps;
  for (size_t i = 0; i < steps.size(); ++i) {
    const std::optional<tdb::Value> v = resolve(steps[i].operand, formula.entries[i]);
    if (!v) {
      clearQuietly(*target);
      break;
    }
    try {
      if (i == 0) {
        store(*target, *v);
        continue;
      }
      const std::optional<tdb::Value> result =
          combine(target->value(), *v, steps[i].op, textTarget, tables_.scale);
      if (!result) throw tdb::EngineError("step failed");
      if (isZero(store(*target, *result)) && !textTarget) target->clear();
    } catch (const std::exception&) {
      clearQuietly(*target);
      break;
    }
  }

  if (!formula.parsed.roundScale) return;
  try {
    const tdb::Value r = target->value();
    if (r.isNull()) return;
    try {
      const std::optional<double> rounded = roundedAt(tdb::toNumber(r), *formula.parsed.roundScale);
      if (!rounded) throw tdb::EngineError("rounding failed");
      store(*target, tdb::Value::number(*rounded));
    } catch (const std::exception&) {
      target->setValue(r);
    }
  } catch (const std::exception&) {
  }
}

}  // namespace torvanel
