-- Online high scores: player profiles (user names), each player's best score
-- per level, and the three procedures the game calls.
--
-- Nothing is reachable directly: row-level security is on with no policies
-- and no table grants. The game only calls the procedures, which run as the
-- owner (security definer) with an empty search_path, so every name below is
-- fully qualified.

-- Profiles ------------------------------------------------------------------

create table public.profiles (
    id         uuid primary key references auth.users (id) on delete cascade,
    username   text not null check (length(btrim(username)) > 0),
    created_at timestamptz not null default now()
);

-- User names are unique ignoring case: "Ann" and "ann" are the same player.
create unique index profiles_username_lower_key on public.profiles (lower(username));

alter table public.profiles enable row level security;
revoke all on table public.profiles from public, anon, authenticated;

-- Every new account gets its profile from the user name given at sign-up. A
-- missing, blank or taken name makes the insert fail, and with it the
-- sign-up ("Database error saving new user").
create function public.handle_new_user()
returns trigger
language plpgsql
security definer
set search_path = ''
as $$
begin
    insert into public.profiles (id, username)
    values (new.id, new.raw_user_meta_data ->> 'username');
    return new;
end;
$$;

revoke all on function public.handle_new_user() from public, anon, authenticated;

create trigger on_auth_user_created
    after insert on auth.users
    for each row execute function public.handle_new_user();

-- Scores --------------------------------------------------------------------

create table public.scores (
    user_id    uuid not null references public.profiles (id) on delete cascade,
    level_id   integer not null,
    score      integer not null,
    -- When the score was reached: equal scores rank by who got there first.
    reached_at timestamptz not null default clock_timestamp(),
    id         bigint generated always as identity,
    primary key (user_id, level_id)
);

-- Serves the top-ten query without sorting the level's rows.
create index scores_level_rank_idx on public.scores (level_id, score desc, reached_at, id);

alter table public.scores enable row level security;
revoke all on table public.scores from public, anon, authenticated;

-- Procedures ----------------------------------------------------------------

-- Sign-in is by user name; the authentication service wants the address.
create function public.get_email_by_username(p_username text)
returns text
language sql
stable
security definer
set search_path = ''
as $$
    select u.email::text
    from public.profiles p
    join auth.users u on u.id = p.id
    where lower(p.username) = lower(p_username);
$$;

-- The level's ten best players, highest first, ties by who reached it first.
create function public.get_high_scores_for_level(p_level_id integer)
returns table (username text, score integer)
language sql
stable
security definer
set search_path = ''
as $$
    select p.username, s.score
    from public.scores s
    join public.profiles p on p.id = s.user_id
    where s.level_id = p_level_id
    order by s.score desc, s.reached_at, s.id
    limit 10;
$$;

-- Stores the caller's score for a level, keeping only the best. p_user_id
-- must be the caller's own id; the row is always written for auth.uid().
-- One statement, so two stores racing for the same row cannot lose the
-- higher score.
create function public.upsert_user_score(p_level_id integer, p_score integer, p_user_id uuid)
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

    insert into public.scores as s (user_id, level_id, score, reached_at)
    values (v_caller, p_level_id, p_score, clock_timestamp())
    on conflict (user_id, level_id) do update
        set score = excluded.score,
            reached_at = excluded.reached_at
        where excluded.score > s.score;
end;
$$;

-- Hosted projects grant execute on new functions to anon and authenticated
-- by default; take that back and grant exactly what the game needs.
revoke all on function public.get_email_by_username(text) from public, anon, authenticated;
revoke all on function public.get_high_scores_for_level(integer) from public, anon, authenticated;
revoke all on function public.upsert_user_score(integer, integer, uuid)
    from public, anon, authenticated;

grant execute on function public.get_email_by_username(text) to anon, authenticated;
grant execute on function public.get_high_scores_for_level(integer) to anon, authenticated;
grant execute on function public.upsert_user_score(integer, integer, uuid) to authenticated;
