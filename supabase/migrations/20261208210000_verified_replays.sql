-- Scores that come with the replay that earned them. A signed-in player
-- sends the replay with the score; it is stored as it came, unverified, and
-- the vollarin-verify worker (holding the service role) plays it with the
-- game's own simulation and marks the score verified when the replay wins
-- the level with exactly that score.
--
-- Only the service role may ever set the verified flag: players reach the
-- tables only through the procedures below, which never set it, and a
-- trigger refuses the flag from anyone else, whatever way they write.

alter table public.scores add column verified boolean not null default false;

create table public.score_replays (
    id           bigint generated always as identity primary key,
    user_id      uuid not null references public.profiles (id) on delete cascade,
    level_id     integer not null check (level_id between 0 and 6),
    score        integer not null check (score between 0 and 256000),
    -- The replay file's bytes; 32 KiB is more than any attempt records.
    replay       bytea not null check (octet_length(replay) between 1 and 32768),
    status       text not null default 'pending'
                 check (status in ('pending', 'claimed', 'verified', 'unverified', 'refused')),
    reason       text,
    submitted_at timestamptz not null default clock_timestamp(),
    claimed_by   text,
    claimed_at   timestamptz
);

-- The queue the workers take from, oldest first.
create index score_replays_waiting_idx on public.score_replays (id)
    where status in ('pending', 'claimed');

alter table public.score_replays enable row level security;
revoke all on table public.score_replays from public, anon, authenticated;

create function public.guard_verified_flag()
returns trigger
language plpgsql
set search_path = ''
as $$
begin
    if new.verified
       and (tg_op = 'INSERT' or not old.verified)
       and current_user <> 'service_role' then
        raise exception 'only the verifier may mark a score verified'
            using errcode = '42501';
    end if;
    return new;
end;
$$;

revoke all on function public.guard_verified_flag() from public, anon, authenticated;

create trigger scores_verified_guard
    before insert or update on public.scores
    for each row execute function public.guard_verified_flag();

-- The design's store: a better score replaces the row, unverified.
create or replace function public.upsert_user_score(p_level_id integer, p_score integer,
                                                    p_user_id uuid)
returns void
language plpgsql
security definer
set search_path = ''
as $$
declare
    v_caller uuid := auth.uid();
begin
    if v_caller is null then
        raise exception 'a signed-in user is required to store a score'
            using errcode = '42501';
    end if;
    if p_user_id is distinct from v_caller then
        raise exception 'p_user_id must be the signed-in user''s id'
            using errcode = '42501';
    end if;

    insert into public.scores as s (user_id, level_id, score, reached_at, verified)
    values (v_caller, p_level_id, p_score, clock_timestamp(), false)
    on conflict (user_id, level_id) do update
        set score = excluded.score,
            reached_at = excluded.reached_at,
            verified = false
        where excluded.score > s.score;
end;
$$;

-- The rows gain the flag; a function's result type cannot change in place.
drop function public.get_high_scores_for_level(integer);
create function public.get_high_scores_for_level(p_level_id integer)
returns table (username text, score integer, verified boolean)
language sql
stable
security definer
set search_path = ''
as $$
    select p.username, s.score, s.verified
    from public.scores s
    join public.profiles p on p.id = s.user_id
    where s.level_id = p_level_id
    order by s.score desc, s.reached_at, s.id
    limit 10;
$$;

-- The score with its replay (base64). The score is stored as the design's
-- store does, and the replay queued for the worker; the answer says it is
-- not verified yet.
create function public.submit_score_replay(p_level_id integer, p_score integer, p_replay text)
returns jsonb
language plpgsql
security definer
set search_path = ''
as $$
declare
    v_caller uuid := auth.uid();
    v_replay bytea;
begin
    if v_caller is null then
        raise exception 'a signed-in user is required to store a score'
            using errcode = '42501';
    end if;
    if p_replay is null or length(p_replay) > 43692 then
        raise exception 'the replay is missing or larger than 32768 bytes'
            using errcode = 'PT422';
    end if;
    begin
        v_replay := decode(p_replay, 'base64');
    exception when others then
        raise exception 'the replay is not base64' using errcode = 'PT422';
    end;
    if octet_length(v_replay) = 0 or octet_length(v_replay) > 32768 then
        raise exception 'the replay is empty or larger than 32768 bytes'
            using errcode = 'PT422';
    end if;

    perform public.upsert_user_score(p_level_id, p_score, v_caller);
    insert into public.score_replays (user_id, level_id, score, replay)
    values (v_caller, p_level_id, p_score, v_replay);
    return jsonb_build_object('verified', false, 'score', p_score,
                              'reason', 'waiting to be verified');
end;
$$;

-- Hands a worker up to p_limit replays to verify: waiting ones, and ones a
-- worker claimed long ago and never marked (it stopped). Rows another
-- worker is claiming right now are skipped, not waited for, so any number
-- of workers share the queue without taking a replay twice.
create function public.claim_score_replays(p_worker text, p_limit integer)
returns table (id bigint, level_id integer, score integer, replay bytea)
language sql
set search_path = ''
as $$
    with picked as (
        select r.id
        from public.score_replays r
        where r.status = 'pending'
           or (r.status = 'claimed' and r.claimed_at < clock_timestamp() - interval '10 minutes')
        order by r.id
        limit least(greatest(p_limit, 0), 1000)
        for update skip locked
    )
    update public.score_replays r
    set status = 'claimed', claimed_by = p_worker, claimed_at = clock_timestamp()
    from picked
    where r.id = picked.id
    returning r.id, r.level_id, r.score, r.replay;
$$;

-- A worker's verdict on a replay it claimed. Verified marks the player's
-- score of that level, if it is still the score the replay earned.
create function public.mark_score_replay(p_id bigint, p_status text, p_reason text)
returns void
language plpgsql
set search_path = ''
as $$
declare
    v_row public.score_replays;
begin
    if p_status not in ('verified', 'unverified', 'refused') then
        raise exception 'a verdict is verified, unverified or refused' using errcode = '22023';
    end if;
    update public.score_replays
    set status = p_status, reason = left(p_reason, 500)
    where id = p_id and status = 'claimed'
    returning * into v_row;
    if found and p_status = 'verified' then
        update public.scores
        set verified = true
        where user_id = v_row.user_id and level_id = v_row.level_id and score = v_row.score;
    end if;
end;
$$;

revoke all on function public.submit_score_replay(integer, integer, text)
    from public, anon, authenticated;
revoke all on function public.claim_score_replays(text, integer) from public, anon, authenticated;
revoke all on function public.mark_score_replay(bigint, text, text)
    from public, anon, authenticated;
revoke all on function public.get_high_scores_for_level(integer) from public, anon, authenticated;
revoke all on function public.upsert_user_score(integer, integer, uuid)
    from public, anon, authenticated;

grant execute on function public.submit_score_replay(integer, integer, text) to authenticated;
grant execute on function public.get_high_scores_for_level(integer) to anon, authenticated;
grant execute on function public.upsert_user_score(integer, integer, uuid) to authenticated;
-- The worker's procedures run with its own rights: the service role's.
grant execute on function public.claim_score_replays(text, integer) to service_role;
grant execute on function public.mark_score_replay(bigint, text, text) to service_role;
grant select, update on public.score_replays to service_role;
grant select, update on public.scores to service_role;
