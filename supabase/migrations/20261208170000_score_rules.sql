-- What may be stored: levels the game has, scores a level can yield, and
-- user names the game's login form accepts. The procedures already only
-- write the caller's own row; these rules bound what that row may hold, so a
-- player's token cannot fill the tables with rows at any level or score.
--
-- The game has seven levels, ids 0 to 6. A level holds at most 256 blocks
-- and enemies, and none is worth more than 1 000 points: 256 000 is the
-- most one attempt can score.

-- Rows no level can produce were never scores; they go before the rule.
delete from public.scores
where level_id not between 0 and 6
   or score not between 0 and 256000;

alter table public.scores
    add constraint scores_level_id_check check (level_id between 0 and 6),
    add constraint scores_score_check check (score between 0 and 256000);

-- 1 to 20 letters, digits, '_' and '-'. Accounts made before the rule keep
-- their names (not valid: existing rows are not checked); new ones and
-- renames must follow it.
alter table public.profiles
    add constraint profiles_username_rule_check
        check (username ~ '^[A-Za-z0-9_-]{1,20}$') not valid;
