#!/usr/bin/env bash
# The playbook and its role as ansible-lint (Debian's package) and Ansible's
# own syntax check see them; every rule skipped says why, beside it.
set -euo pipefail
cd "$1"
for tool in ansible-lint ansible-playbook; do
  command -v $tool >/dev/null || { echo "FAIL: $tool not found (scripts/packages.sh installs ansible-lint)"; exit 1; }
done
export ANSIBLE_LOCAL_TEMP=${TMPDIR:-/tmp} ANSIBLE_HOME=$(mktemp -d)
trap 'rm -rf "$ANSIBLE_HOME"' EXIT
ansible-playbook -i inventory.example.ini --syntax-check update-grippers.yml
ansible-lint --offline --strict --nocolor update-grippers.yml korvane_flash
