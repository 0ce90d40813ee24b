# Environment for running the suite from a build folder: source it (". scripts/env.sh [build]").
# Sets the private registry file, the Java class path, and puts the tools on PATH.
_orv_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ORV_BUILD=$(cd "${1:-${ORV_BUILD:-$_orv_root/build}}" 2>/dev/null && pwd || echo "${1:-$_orv_root/build}")
export ORV_BUILD
export ORV_REGISTRY=${ORV_REGISTRY:-$ORV_BUILD/registry.reg}
export CLASSPATH=$ORV_BUILD/share/java/orvpos.jar
export PATH=$ORV_BUILD/bin:$PATH
unset _orv_root
