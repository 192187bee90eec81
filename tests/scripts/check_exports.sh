#!/usr/bin/env bash
# Checks that a shared library exports exactly the functions a header
# declares, and that every exported name is a MUR_ function or BankAdrs.
set -euo pipefail
lib=$1
header=$2

exported=$(nm -D --defined-only "$lib" | awk '{print $3}' | sed 's/@.*//' | sort -u)
declared=$(grep -oE 'MUR_API[^(]*\b(MUR_[A-Za-z0-9_]+|BankAdrs)\(' "$header" \
           | grep -oE '(MUR_[A-Za-z0-9_]+|BankAdrs)\($' | tr -d '(' | sort -u)

status=0
foreign=$(grep -vE '^(MUR_[A-Za-z0-9_]+|BankAdrs)$' <<<"$exported" || true)
if [ -n "$foreign" ]; then
    echo "exported but not an engine function:"; echo "$foreign"; status=1
fi
missing=$(comm -23 <(echo "$declared") <(echo "$exported"))
if [ -n "$missing" ]; then
    echo "declared in the header but not exported:"; echo "$missing"; status=1
fi
undeclared=$(comm -13 <(echo "$declared") <(echo "$exported"))
if [ -n "$undeclared" ]; then
    echo "exported but not declared in the header:"; echo "$undeclared"; status=1
fi
echo "$(wc -l <<<"$exported") exports checked"
exit $status
