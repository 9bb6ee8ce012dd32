#!/usr/bin/env bash
# Applies the hosted project's migrations to a throw-away PostgreSQL 15
# cluster with the few pieces of the authentication service's schema they
# rely on, then calls the procedures as the anonymous and the signed-in role.
#
# Usage: migration_test.sh MIGRATIONS_DIR
# Exit 0 when every check passes, 1 on a failed check, 77 (skipped) when
# PostgreSQL 15 is not installed or a throw-away cluster cannot be started
# on this machine at all.
set -euo pipefail

migrations_dir=$(cd "${1:?usage: migration_test.sh MIGRATIONS_DIR}" && pwd)
# A command to run last, from this directory, with VOLLARIN_TEST_PG naming
# the cluster's database (a libpq connection string); its failure fails the run.
origin=$PWD
hook=${VOLLARIN_PG_HOOK:-}
pg_bin=/usr/lib/postgresql/15/bin
if [[ ! -x $pg_bin/initdb || ! -x $pg_bin/pg_ctl || ! -x $pg_bin/psql ]]; then
    echo "SKIP: PostgreSQL 15 is not installed ($pg_bin)"
    exit 77
fi

skip() {
    echo "SKIP: $*"
    exit 77
}

# The server refuses to run as root; run everything as postgres then.
if [[ $(id -u) -eq 0 ]] && ! id postgres >/dev/null 2>&1; then
    skip "running as root and there is no postgres user to run PostgreSQL as"
fi

# The cluster, its socket and every working directory live in a folder of
# the cluster owner's under /tmp, wherever the repository is: a clone in a
# private folder (mode 0700) is out of the postgres user's reach.
work=$(mktemp -d /tmp/vollarin-migration-XXXXXX)
chmod 755 "$work"
data=$work/data
cd "$work"

as_cluster_owner() {
    if [[ $(id -u) -eq 0 ]]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

cleanup() {
    if [[ -f $data/postmaster.pid ]]; then
        as_cluster_owner "$pg_bin/pg_ctl" -D "$data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
if [[ $(id -u) -eq 0 ]]; then
    chown postgres: "$work"
fi

if ! as_cluster_owner "$pg_bin/initdb" -D "$data" -U postgres --auth=trust -E UTF8 \
    --locale=C.UTF-8 >"$work/initdb.log" 2>&1; then
    cat "$work/initdb.log"
    skip "PostgreSQL cannot create a cluster here (initdb failed, log above)"
fi

port_is_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

started=false
for attempt in 1 2 3 4 5 6 7 8; do
    port=$((20000 + RANDOM % 30000))
    port_is_free "$port" || continue
    if as_cluster_owner "$pg_bin/pg_ctl" -D "$data" -l "$work/server.log" -w -t 60 \
        -o "-p $port -k $work -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null; then
        started=true
        break
    fi
done
if ! $started; then
    cat "$work/server.log" 2>/dev/null || true
    skip "PostgreSQL cannot start a cluster here (pg_ctl failed, log above)"
fi

psql_run() {
    as_cluster_owner "$pg_bin/psql" -X -q -h "$work" -p "$port" -U postgres -d postgres \
        -v ON_ERROR_STOP=1 -v VERBOSITY=verbose -tA "$@"
}

# The authentication service's pieces that the migration uses, and the
# default privileges a hosted project gives its API roles, which the
# migration must take back.
psql_run <<'SQL'
create schema auth;
create table auth.users (
    id uuid primary key default gen_random_uuid(),
    email varchar(255),
    raw_user_meta_data jsonb
);
create function auth.uid() returns uuid language sql stable as $$
    select nullif(current_setting('request.jwt.claims', true)::jsonb ->> 'sub', '')::uuid
$$;
create role anon nologin;
create role authenticated nologin;
create role service_role nologin bypassrls;
grant usage on schema public, auth to anon, authenticated, service_role;
grant execute on function auth.uid() to anon, authenticated;
alter default privileges in schema public grant all on tables to anon, authenticated;
alter default privileges in schema public grant all on functions to anon, authenticated;
SQL

for migration in "$migrations_dir"/*.sql; do
    psql_run <"$migration" >/dev/null
done

failures=0
checks=0
pass() { checks=$((checks + 1)); }
fail() { checks=$((checks + 1)); failures=$((failures + 1)); echo "FAIL: $*"; }

# Runs SQL as ROLE with SUB as the signed-in user (empty: none); prints the
# rows, or the error with its SQLSTATE.
as_role() {
    local role=$1 sub=$2 sql=$3 claims
    if [[ -n $sub ]]; then
        claims="{\"role\":\"$role\",\"sub\":\"$sub\"}"
    else
        claims="{\"role\":\"$role\"}"
    fi
    psql_run 2>&1 <<SQL || true
\o /dev/null
select set_config('request.jwt.claims', '$claims', false);
set role $role;
\o
$sql
SQL
}

expect_rows() { # description, expected, actual
    if [[ $3 == "$2" ]]; then pass; else fail "$1: expected [$2], got [$3]"; fi
}
expect_error() { # description, sqlstate, actual
    if [[ $3 == *"ERROR:  $2"* ]]; then pass; else fail "$1: expected error $2, got [$3]"; fi
}

ann=00000000-0000-4000-8000-00000000000a
bob=00000000-0000-4000-8000-00000000000b

# Sign-ups through the trigger.
psql_run <<SQL
insert into auth.users (id, email, raw_user_meta_data) values
    ('$ann', 'ann@players.test', '{"username":"Ann"}'),
    ('$bob', 'bob@players.test', '{"username":"bob"}');
SQL
for i in 0 1 2 3 4 5 6 7 8 9; do
    psql_run -c "insert into auth.users (id, email, raw_user_meta_data) values
        ('00000000-0000-4000-8000-00000000010$i', 'p$i@players.test', '{\"username\":\"p$i\"}')"
done
expect_rows "profiles made by the trigger" "12" "$(psql_run -c 'select count(*) from public.profiles')"
expect_error "a user name taken in other letters" 23505 "$(psql_run 2>&1 -c \
    "insert into auth.users (email, raw_user_meta_data) values ('x@players.test', '{\"username\":\"ANN\"}')" || true)"
expect_error "a sign-up without a user name" 23502 "$(psql_run 2>&1 -c \
    "insert into auth.users (email, raw_user_meta_data) values ('y@players.test', '{}')" || true)"
for name in 'has space' 'twenty-one-characters' 'semi;colon' ''; do
    expect_error "a user name outside the rule: [$name]" 23514 "$(psql_run 2>&1 -c \
        "insert into auth.users (email, raw_user_meta_data) values ('z@players.test', '{\"username\":\"$name\"}')" || true)"
done
expect_rows "refused sign-ups leave no user" "12" "$(psql_run -c 'select count(*) from auth.users')"

# Looking up addresses, as anon.
expect_rows "lookup ignoring case" "ann@players.test" \
    "$(as_role anon '' "select public.get_email_by_username('aNN');")"
expect_rows "lookup of an unknown name" "t" \
    "$(as_role anon '' "select public.get_email_by_username('nobody') is null;")"

# Nothing but the procedures is reachable.
expect_error "anon reading scores directly" 42501 "$(as_role anon '' 'select * from public.scores;')"
expect_error "a player reading profiles directly" 42501 \
    "$(as_role authenticated "$ann" 'select * from public.profiles;')"
expect_error "a player writing scores directly" 42501 \
    "$(as_role authenticated "$ann" "insert into public.scores (user_id, level_id, score) values ('$ann', 1, 99999);")"
expect_error "anon storing a score" 42501 \
    "$(as_role anon '' "select public.upsert_user_score(1, 10, '$ann');")"
expect_error "anon calling the trigger function" 42501 \
    "$(as_role anon '' "select public.handle_new_user();")"

# Storing scores as a signed-in player.
store() { as_role authenticated "$1" "select public.upsert_user_score($2, $3, '${4:-$1}');"; }
store "$ann" 1 700 >/dev/null
store "$ann" 1 500 >/dev/null
expect_rows "a lower score keeps the higher" "700" \
    "$(psql_run -c "select score from public.scores where user_id = '$ann' and level_id = 1")"
store "$ann" 1 900 >/dev/null
expect_rows "a higher score replaces" "900" \
    "$(psql_run -c "select score from public.scores where user_id = '$ann' and level_id = 1")"
expect_error "storing for another player" 42501 "$(store "$ann" 1 5 "$bob")"
expect_error "storing at a level before the first" 23514 "$(store "$ann" -1 5 2>&1 || true)"
expect_error "storing at a level after the last" 23514 "$(store "$ann" 7 5 2>&1 || true)"
expect_error "storing a negative score" 23514 "$(store "$ann" 3 -1 2>&1 || true)"
expect_error "storing more than a level can yield" 23514 "$(store "$ann" 3 256001 2>&1 || true)"
store "$ann" 6 256000 >/dev/null
expect_rows "the last level at the ceiling" "256000" \
    "$(psql_run -c "select score from public.scores where user_id = '$ann' and level_id = 6")"
expect_error "storing without a signed-in user" 42501 \
    "$(as_role authenticated '' "select public.upsert_user_score(1, 5, '$ann');")"
expect_rows "one row per player and level" "1" \
    "$(psql_run -c "select count(*) from public.scores where level_id = 1")"

# The top ten: highest first, ties by who reached the score first.
store "$bob" 2 500 >/dev/null
store "$ann" 2 500 >/dev/null
store "$bob" 2 500 >/dev/null   # the same score again does not make it newer
for i in 0 1 2 3 4 5 6 7 8 9; do
    store "00000000-0000-4000-8000-00000000010$i" 2 $((100 + i * 10)) >/dev/null
done
store "00000000-0000-4000-8000-000000000100" 2 500 >/dev/null   # p0 catches up last
expect_rows "top ten order" "bob:500,Ann:500,p0:500,p9:190,p8:180,p7:170,p6:160,p5:150,p4:140,p3:130" \
    "$(as_role anon '' "select string_agg(username || ':' || score, ',') from public.get_high_scores_for_level(2);")"
expect_rows "an empty level" "0" \
    "$(as_role authenticated "$bob" "select count(*) from public.get_high_scores_for_level(3);")"

# Execute is granted exactly as listed; a role with no grants of its own
# (what PUBLIC gets) may call nothing.
psql_run -c "create role outsider nologin"
expect_rows "execute grants" "anon:t,t,f authenticated:t,t,t outsider:f,f,f" "$(psql_run -c "
    select string_agg(r || ':' || concat_ws(',',
        has_function_privilege(r, 'public.get_email_by_username(text)', 'execute'),
        has_function_privilege(r, 'public.get_high_scores_for_level(integer)', 'execute'),
        has_function_privilege(r, 'public.upsert_user_score(integer, integer, uuid)', 'execute')),
        ' ' order by r)
    from unnest(array['anon', 'authenticated', 'outsider']) as r")"

# The procedures run as their owner with an empty search path.
expect_rows "security definer with empty search_path" "3" "$(psql_run -c "
    select count(*) from pg_proc
    where pronamespace = 'public'::regnamespace and prosecdef
      and proconfig = array['search_path=\"\"']
      and proname in ('get_email_by_username', 'get_high_scores_for_level', 'upsert_user_score')")"
expect_rows "row-level security on" "2" "$(psql_run -c "
    select count(*) from pg_class
    where relnamespace = 'public'::regnamespace and relrowsecurity
      and relname in ('profiles', 'scores')")"

# Scores sent with replays: stored unverified and queued, and the flag is
# the service role's alone.
replay_b64=$(printf 'VRPL-not-played-here' | base64 -w0)
expect_rows "a score sent with its replay is stored unverified" \
    '{"score": 321, "reason": "waiting to be verified", "verified": false}' \
    "$(as_role authenticated "$bob" "select public.submit_score_replay(4, 321, '$replay_b64');")"
expect_rows "the replay waits in the queue" "4:321:pending" "$(psql_run -c "
    select level_id || ':' || score || ':' || status from public.score_replays
    where user_id = '$bob'")"
expect_rows "rows carry the flag" "bob:321:false" \
    "$(as_role anon '' "select string_agg(username || ':' || score || ':' || verified, ',') from public.get_high_scores_for_level(4);")"
expect_error "anon sending a replay" 42501 \
    "$(as_role anon '' "select public.submit_score_replay(4, 5, '$replay_b64');")"
expect_error "a replay that is not base64" PT422 \
    "$(as_role authenticated "$bob" "select public.submit_score_replay(4, 5, '!!');")"
expect_error "a player claiming replays" 42501 \
    "$(as_role authenticated "$bob" "select * from public.claim_score_replays('me', 5);")"
expect_error "a player marking a replay" 42501 \
    "$(as_role authenticated "$bob" "select public.mark_score_replay(1, 'verified', '');")"
expect_error "the owner setting the flag by hand" 42501 "$(psql_run 2>&1 -c \
    "update public.scores set verified = true where user_id = '$bob' and level_id = 4" || true)"
expect_rows "the service role claims and marks" "4:321 t" "$(psql_run <<SQL | sed '/^$/d' | paste -sd' '
set role service_role;
select level_id || ':' || score from public.claim_score_replays('test', 5);
select public.mark_score_replay(id, 'verified', '') from public.score_replays where user_id = '$bob';
select verified from public.scores where user_id = '$bob' and level_id = 4;
SQL
)"
expect_rows "a better unproven score clears the flag" "f" \
    "$(as_role authenticated "$bob" "select public.upsert_user_score(4, 400, '$bob'); select s.verified from public.get_high_scores_for_level(4) s;" | tail -n 1)"

if [[ -n $hook ]]; then
    if (cd "$origin" && VOLLARIN_TEST_PG="host=127.0.0.1 port=$port user=postgres dbname=postgres" \
        bash -c "$hook"); then
        pass
    else
        fail "the hook [$hook]"
    fi
fi

echo "$((checks - failures)) passed, $failures failed"
[[ $failures -eq 0 ]]
